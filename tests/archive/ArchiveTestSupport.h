#pragma once
// An archive writer for the tests, independent of the library's encoder: it
// lays out headers byte by byte at their offsets, packs with zlib's own
// compress2 and checks with its own table, so a fault in the library is not
// repeated here.
#include <cstdint>
#include <string>
#include <vector>

std::uint32_t ReferenceChecksum(const std::string& bytes, std::uint32_t start = 0);
std::string ZlibPack(const std::string& bytes, int level = 6);
// Deterministic bytes: text-like when compressible, else noise.
std::string SampleBytes(std::size_t size, unsigned seed, bool compressible);

struct TestMember {
    TestMember(std::string n = {}, std::string d = {}) : name(std::move(n)), data(std::move(d)) {}

    std::string name;
    std::string data;              // expanded bytes
    std::int32_t method = 4;       // 2 copy, 4 zlib, anything else as given
    std::string packed;            // filled from data unless packedGiven
    bool packedGiven = false;
    bool checksumGiven = false;
    std::uint32_t checksum = 0;
    bool sizeGiven = false;
    std::uint32_t size = 0;
    std::int16_t destination = 0;
    std::uint16_t attributes = 0x20;
    std::int32_t time = 0;
    std::uint16_t continues = 0;
    std::string comment;
    std::string magic = "mfen";
};

// Fills packed, checksum and size as the member asks.
TestMember Prepared(TestMember m);
std::string HeaderBytes(const TestMember& m);
// The logical stream: each header with its packed data, no signature.
std::string LogicalStream(const std::vector<TestMember>& members);
std::string Signature(const std::string& magic = "mflh");

// Writes the stream as volumes cut at the given stream offsets, each with a
// signature; the first is named first, the later ones by raising the last
// character. Each volume goes to folders[i] (or the first folder for all).
std::vector<std::string> WriteVolumes(const std::vector<std::string>& folders, const std::string& first,
                                      const std::string& stream, const std::vector<std::size_t>& cuts);

#include "Diskset.h"

#include "Layout.h"
#include "SetBuilder.h"
#include "SetReader.h"
#include "SetTest.h"

#include <exception>
#include <new>

namespace {

const char kUsage[] =
    "usage: diskset build LAYOUT OUTDIR [--setup PROGRAM] [--diskette-size BYTES] [--images] [--jobs N] [--force]\n"
    "       diskset list ARCHIVE\n"
    "       diskset test DIR\n"
    "       diskset extract ARCHIVE OUTDIR [--force]\n"
    "\n"
    "build    makes the diskette set described by LAYOUT in OUTDIR (folders DISK01, DISK02, ...),\n"
    "         reads it back and compares it with the sources before it reports success;\n"
    "         --images also writes each diskette as a FAT12 image DISK01.img, ... (with mtools);\n"
    "         --jobs N packs and reads back on N threads (one per processor unless given)\n"
    "list     shows the members of an archive, following its volumes onto later diskettes\n"
    "test     expands every archive of a diskette set (folders or images) and checks every member\n"
    "extract  expands the members of an archive into a folder\n";

int Usage(std::ostream& err, const std::string& problem)
{
    err << "diskset: " << problem << "\n\n" << kUsage;
    return 2;
}

// The command line after the command: operands and options.
struct Options {
    std::vector<std::string> operands;
    std::string setup;
    std::int64_t disketteSize = 0;
    bool force = false;
    bool images = false;
    std::int64_t jobs = 0;  // none given
};

// Empty when the options are fine, else the usage problem.
std::string ParseOptions(const std::vector<std::string>& args, Options& options)
{
    const std::string& command = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--force") {
            options.force = true;
        } else if (arg == "--images") {
            if (command != "build")
                return arg + " belongs to build";
            options.images = true;
        } else if (arg == "--setup" || arg == "--diskette-size" || arg == "--jobs") {
            if (i + 1 == args.size())
                return arg + " needs a value";
            const std::string& value = args[++i];
            if (command != "build")
                return arg + " belongs to build";
            if (arg == "--setup")
                options.setup = value;
            else if (arg == "--jobs" && !ParseInteger(value, options.jobs, 1, 64))
                return "--jobs needs a number of threads from 1 to 64";
            else if (arg == "--diskette-size" && !ParseInteger(value, options.disketteSize, 1, 2147483647))
                return "--diskette-size needs a number of bytes";
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return "unknown option " + arg;
        } else {
            options.operands.push_back(arg);
        }
    }
    return {};
}

int RunCommand(const std::string& command, const Options& options, std::ostream& out, std::ostream& err)
{
    const std::vector<std::string>& operands = options.operands;
    if (command == "build") {
        if (operands.size() != 2)
            return Usage(err, "build needs LAYOUT and OUTDIR");
        CLayout layout;
        layout.Load(operands[0], options.setup, options.disketteSize);
        CSetBuilder builder(layout, operands[1], options.force, out, options.images);
        if (options.jobs > 0)
            builder.SetThreads(static_cast<unsigned>(options.jobs));
        builder.Build();
        return 0;
    }
    if (command == "list") {
        if (operands.size() != 1 || options.force)
            return Usage(err, "list needs one ARCHIVE");
        return ListArchive(operands[0], out, err);
    }
    if (command == "test") {
        if (operands.size() != 1 || options.force)
            return Usage(err, "test needs one DIR");
        return TestSet(operands[0], out, err);
    }
    if (command == "extract") {
        if (operands.size() != 2)
            return Usage(err, "extract needs ARCHIVE and OUTDIR");
        return ExtractArchive(operands[0], operands[1], options.force, out, err);
    }
    return Usage(err, "unknown command " + command);
}

} // namespace

int RunDiskset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return Usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return 0;
    }
    Options options;
    const std::string problem = ParseOptions(args, options);
    if (!problem.empty())
        return Usage(err, problem);
    try {
        return RunCommand(command, options, out, err);
    } catch (const CInputError& e) {
        err << "diskset: " << e.what() << "\n";
    } catch (const CException& e) {
        err << "diskset: " << DescribeException(e) << "\n";
    } catch (const std::bad_alloc&) {
        err << "diskset: out of memory\n";
    } catch (const std::exception& e) {
        err << "diskset: " << e.what() << "\n";
    }
    return 1;
}

#pragma once
// Lead bytes of double-byte code pages, for the text that is split at single
// characters ('|', '\'). Windows answers for every code page it has; the
// native build knows the four double-byte pages of the East Asian Windows
// versions and takes its ANSI page for a single-byte one.
constexpr unsigned kAnsiCodePage = 0;  // CP_ACP: the process's ANSI code page

// c begins a double-byte character in codePage.
bool AfxIsLeadByte(unsigned codePage, unsigned char c) noexcept;

#pragma once
// The characters no file or folder name holds on Windows: control characters
// and < > " | ? *. The separators '\' and '/' and the drive's ':' are not
// among them: each reader of a path or a name says where it takes them.
bool IsForbiddenInName(unsigned char c) noexcept;

#pragma once
// The documents a start names on its command line (Explorer's verb and
// Send To, a shortcut, a script): `Dovrel.exe a.pptx "b c.docx" ...`.

#include <string>
#include <vector>

namespace dovrel {

// commandLine as GetCommandLineW gives it (UTF-16, the program's own path
// first). Out: every argument after the program, unquoted by the rules
// CommandLineToArgvW applies, made a full path against the current folder;
// empty arguments are left out. Nothing else is changed here: the one
// conversion into the program's code page is the caller's.
std::vector<std::wstring> DocumentsFromCommandLine(const wchar_t* commandLine);

}  // namespace dovrel

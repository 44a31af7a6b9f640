// Starting other programs (the game, the launcher's temporary copy) without
// waiting for them. Any thread may call it.
#ifndef APP_UTIL_PROCESS_UTIL_H_
#define APP_UTIL_PROCESS_UTIL_H_

#include <string>

// Starts `program` with `arguments` appended after one blank, shown normally,
// with the launcher's environment and no inherited handles, in
// `working_folder` (empty: the launcher's own). `program` is the program's
// path; blanks in it are fine (it is quoted on the command line). A program
// text that names no file is passed as it stands, so the system's own
// parsing applies to it. An empty program starts nothing. Failures are not
// reported. The command line has no length limit of its own.
void RunProgram(const std::wstring& program, const std::wstring& arguments,
                const std::wstring& working_folder);

#endif  // APP_UTIL_PROCESS_UTIL_H_

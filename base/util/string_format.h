// printf-style formatting into narrow strings.
//
// The project's one formatting convention: mingw's g++ builds with its own
// C99-conforming stdio (__USE_MINGW_ANSI_STDIO=1, set for the whole build),
// so in every format, narrow or wide, "%s" takes a char string and "%ls" a
// wchar_t string; 64-bit values use "%lld"/"%llu" (long is 32-bit here) and
// sizes "%zu". Never write a Microsoft-style wide "%s" or "%S".
//
// Formats are program text: text from files or servers is passed as an
// argument ("%s"), never as the format.
#ifndef BASE_UTIL_STRING_FORMAT_H_
#define BASE_UTIL_STRING_FORMAT_H_

#include <cstdarg>
#include <string>

#if defined(__GNUC__)
#define BASE_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define BASE_PRINTF_FORMAT(f, a)
#endif

namespace base {

std::string StringFormat(const char* format, ...) BASE_PRINTF_FORMAT(1, 2);

// Appends the formatted text to `output`. Short texts are formatted on the
// stack; longer ones in heap buffers that double up to 32 MiB, past which
// nothing is appended.
void StringFormatV(std::string* output, const char* format, va_list arguments)
    BASE_PRINTF_FORMAT(2, 0);

}  // namespace base

#endif  // BASE_UTIL_STRING_FORMAT_H_

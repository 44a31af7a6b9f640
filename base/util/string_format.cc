#include "base/util/string_format.h"

#include <cstdio>
#include <memory>

namespace base {

namespace {
constexpr int kStackBufferSize = 1024;
constexpr size_t kMaxBufferSize = 32u * 1024 * 1024;
}  // namespace

void StringFormatV(std::string* output, const char* format, va_list arguments) {
  char stack_buffer[kStackBufferSize];
  va_list copy;
  va_copy(copy, arguments);
  int length = vsnprintf(stack_buffer, sizeof(stack_buffer), format, copy);
  va_end(copy);
  if (length >= 0 && length < kStackBufferSize) {
    output->append(stack_buffer, length);
    return;
  }
  for (size_t size = 2 * kStackBufferSize; size <= kMaxBufferSize; size *= 2) {
    std::unique_ptr<char[]> buffer(new char[size]);
    va_copy(copy, arguments);
    length = vsnprintf(buffer.get(), size, format, copy);
    va_end(copy);
    if (length >= 0 && static_cast<size_t>(length) < size) {
      output->append(buffer.get(), length);
      return;
    }
  }
}

std::string StringFormat(const char* format, ...) {
  std::string result;
  va_list arguments;
  va_start(arguments, format);
  StringFormatV(&result, format, arguments);
  va_end(arguments);
  return result;
}

}  // namespace base

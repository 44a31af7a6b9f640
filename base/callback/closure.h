// The closure type of the task API: no arguments, no result.
//
// Closures are copied into task queues and released on the thread that runs
// them, or on the posting thread when a post is refused.
#ifndef BASE_CALLBACK_CLOSURE_H_
#define BASE_CALLBACK_CLOSURE_H_

#include <functional>

namespace base {

using Closure = std::function<void()>;

}  // namespace base

#endif  // BASE_CALLBACK_CLOSURE_H_

// Names of the process messages between the launcher's browsers and their
// render processes.
#ifndef BROWSER_PROCESS_MESSAGES_H_
#define BROWSER_PROCESS_MESSAGES_H_

namespace comp {

// Render to browser: a page calls a launcher function (name, parameters, page callback id).
constexpr char kMsgCallCppFunction[] = "CallCppFunction";
// Browser to render: the answer to a page call (page callback id, has error, result).
constexpr char kMsgExecuteJsCallback[] = "ExecuteJsCallback";
// Browser to render: the launcher calls a page function (name, parameters,
// native callback id, frame id).
constexpr char kMsgCallJsFunction[] = "CallJsFunction";
// Render to browser: a page function's answer (result, native callback id).
constexpr char kMsgExecuteCppCallback[] = "ExecuteCppCallback";
// Render to browser: whether the focused page element is editable.
constexpr char kMsgFocusedNodeChanged[] = "FocusedNodeChanged";

}  // namespace comp

#endif  // BROWSER_PROCESS_MESSAGES_H_

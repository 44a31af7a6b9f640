// The application object in a render process: the page script extension
// and the bridge's render half, with this test playing the page (its
// values, contexts, frames) and the stand-in runtime making the process
// messages.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "browser/browser_test_support.h"
#include "browser/cef_js_handler.h"
#include "browser/cef_manager.h"
#include "browser/client_app.h"
#include "browser/process_messages.h"
#include "browser/runtime/cef_runtime.h"
#include "testing/cef_runtime/standin_api.h"

namespace {

template <typename Function>
Function StandinEntry(const char* name) {
  HMODULE runtime = GetModuleHandleW(L"libcef.dll");
  return runtime ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(runtime, name)))
                 : nullptr;
}

// A page value: an object (named by a tag), a function, or a string.
class PageValue : public CefV8Value {
 public:
  using Body = std::function<CefRefPtr<CefV8Value>(const CefV8ValueList&)>;
  static CefRefPtr<PageValue> Object(const std::string& tag) { return new PageValue('o', tag); }
  static CefRefPtr<PageValue> String(const std::string& text) { return new PageValue('s', text); }
  static CefRefPtr<PageValue> Function(Body body) {
    CefRefPtr<PageValue> value(new PageValue('f', ""));
    value->body_ = std::move(body);
    return value;
  }

  bool IsBool() override { return false; }
  bool IsString() override { return kind_ == 's'; }
  bool IsObject() override { return kind_ == 'o' || kind_ == 'f'; }
  bool IsFunction() override { return kind_ == 'f'; }
  bool GetBoolValue() override { return false; }
  CefString GetStringValue() override { return kind_ == 's' ? CefString(text_) : CefString(); }
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override {
    auto found = members.find(key.ToString());
    return found == members.end() ? nullptr : found->second;
  }
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                        const CefV8ValueList& arguments) override {
    calls.push_back(arguments);
    return body_ ? body_(arguments) : nullptr;
  }

  const std::string& tag() const { return text_; }
  std::map<std::string, CefRefPtr<CefV8Value>> members;
  std::vector<CefV8ValueList> calls;

 private:
  PageValue(char kind, std::string text) : kind_(kind), text_(std::move(text)) {}
  char kind_;
  std::string text_;
  Body body_;
  CEF_IMPLEMENT_REFCOUNTING(PageValue);
};

// "parsed:<text>" objects from JSON.parse, "json:<tag>" from JSON.stringify.
CefRefPtr<PageValue> GlobalWithJson() {
  CefRefPtr<PageValue> json = PageValue::Object("JSON");
  json->members["parse"] = PageValue::Function([](const CefV8ValueList& arguments) {
    return CefRefPtr<CefV8Value>(
        PageValue::Object("parsed:" + arguments[0]->GetStringValue().ToString()));
  });
  json->members["stringify"] = PageValue::Function([](const CefV8ValueList& arguments) {
    auto* object = static_cast<PageValue*>(arguments[0].get());
    return CefRefPtr<CefV8Value>(PageValue::String("json:" + object->tag()));
  });
  CefRefPtr<PageValue> global = PageValue::Object("window");
  global->members["JSON"] = json;
  return global;
}

class PageBrowser;

class PageContext : public CefV8Context {
 public:
  PageContext(PageBrowser* browser, CefRefPtr<CefFrame>* frame) : browser_(browser), frame_(frame) {}
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefFrame> GetFrame() override { return *frame_; }
  CefRefPtr<CefV8Value> GetGlobal() override { return global_; }
  bool Enter() override { return ++entered; }
  bool Exit() override { return ++exited; }
  bool IsSame(CefRefPtr<CefV8Context> other) override { return other.get() == this; }

  int entered = 0;
  int exited = 0;

 private:
  PageBrowser* browser_;
  CefRefPtr<CefFrame>* frame_;
  CefRefPtr<PageValue> global_ = GlobalWithJson();
  CEF_IMPLEMENT_REFCOUNTING(PageContext);
};

class PageFrame : public CefFrame {
 public:
  PageFrame(PageBrowser* browser, int64_t id, bool main, CefRefPtr<CefV8Context> context)
      : browser_(browser), id_(id), main_(main), context_(context) {}
  void LoadURL(const CefString&) override {}
  CefString GetURL() override { return CefString(); }
  bool IsMain() override { return main_; }
  int64_t GetIdentifier() override { return id_; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override { return context_; }

 private:
  PageBrowser* browser_;
  int64_t id_;
  bool main_;
  CefRefPtr<CefV8Context> context_;
  CEF_IMPLEMENT_REFCOUNTING(PageFrame);
};

// A browser with a main frame (id 5) and a child frame (id 6), each with its
// own context; records what it sends.
class PageBrowser : public CefBrowser {
 public:
  PageBrowser() {
    main_context = new PageContext(this, &main_frame);
    child_context = new PageContext(this, &child_frame);
    main_frame = new PageFrame(this, 5, true, main_context);
    child_frame = new PageFrame(this, 6, false, child_context);
  }
  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  int GetIdentifier() override { return 1; }
  bool IsSame(CefRefPtr<CefBrowser> other) override { return other.get() == this; }
  void Reload() override {}
  CefRefPtr<CefFrame> GetMainFrame() override { return main_frame; }
  CefRefPtr<CefFrame> GetFrame(int64_t id) override {
    return id == 5 ? main_frame : id == 6 ? child_frame : nullptr;
  }
  bool SendProcessMessage(cef_process_id_t target, CefRefPtr<CefProcessMessage> message) override {
    EXPECT_EQ(PID_BROWSER, target);
    sent.push_back(message);
    return true;
  }

  CefRefPtr<CefFrame> main_frame;
  CefRefPtr<CefFrame> child_frame;
  CefRefPtr<PageContext> main_context;
  CefRefPtr<PageContext> child_context;
  std::vector<CefRefPtr<CefProcessMessage>> sent;

 private:
  CEF_IMPLEMENT_REFCOUNTING(PageBrowser);
};

CefRefPtr<CefBrowser> PageContext::GetBrowser() { return browser_; }
CefRefPtr<CefBrowser> PageFrame::GetBrowser() { return browser_; }

CefRefPtr<CefProcessMessage> Message(const char* name) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
  EXPECT_TRUE(message);
  return message;
}

// "CallCppFunction getInfo {} 0": a sent message's name and arguments.
std::string Describe(CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<CefListValue> a = message->GetArgumentList();
  std::string name = message->GetName().ToString();
  if (name == comp::kMsgCallCppFunction) {
    return name + " " + a->GetString(0).ToString() + " " + a->GetString(1).ToString() + " " +
           std::to_string(a->GetInt(2));
  }
  if (name == comp::kMsgExecuteCppCallback) {
    return name + " " + a->GetString(0).ToString() + " " + std::to_string(a->GetInt(1));
  }
  return name;
}

class RenderSideTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(comp::PrependCefFolderToPath());
    ASSERT_TRUE(CefRuntimeLoaded());
    set_current_ = StandinEntry<quorvel_standin_set_current_context_fn>(
        "quorvel_standin_set_current_context");
    auto handler_entry =
        StandinEntry<quorvel_standin_extension_handler_fn>("quorvel_standin_extension_handler");
    ASSERT_TRUE(set_current_ && handler_entry);
    application_ = new comp::ClientApp();
    application_->OnWebKitInitialized();
    application_->OnBrowserCreated(browser_);
    handler_ = CefRefPtr<CefV8Handler>::Adopt(handler_entry());
    ASSERT_TRUE(handler_);
    set_current_(browser_->main_context.get());
  }
  void TearDown() override { set_current_(nullptr); }

  // The page calls a native function of the extension.
  bool PageCalls(const char* name, const CefV8ValueList& arguments, std::string* exception) {
    CefRefPtr<CefV8Value> result;
    CefString thrown;
    bool handled = handler_->Execute(name, nullptr, arguments, result, thrown);
    *exception = thrown.ToString();
    return handled;
  }
  void Receive(CefRefPtr<CefProcessMessage> message) {
    EXPECT_FALSE(application_->OnProcessMessageReceived(browser_, PID_BROWSER, message));
  }
  void AnswerPageCall(int id, bool has_error, const std::string& result) {
    CefRefPtr<CefProcessMessage> message = Message(comp::kMsgExecuteJsCallback);
    message->GetArgumentList()->SetInt(0, id);
    message->GetArgumentList()->SetBool(1, has_error);
    message->GetArgumentList()->SetString(2, result);
    Receive(message);
  }
  void CallPageFunction(const std::string& name, int frame_id) {
    CefRefPtr<CefProcessMessage> message = Message(comp::kMsgCallJsFunction);
    message->GetArgumentList()->SetString(0, name);
    message->GetArgumentList()->SetString(1, "{\"x\":1}");
    message->GetArgumentList()->SetInt(2, 9);
    message->GetArgumentList()->SetInt(3, frame_id);
    Receive(message);
  }
  std::vector<std::string> Sent() {
    std::vector<std::string> sent;
    for (const auto& message : browser_->sent) sent.push_back(Describe(message));
    browser_->sent.clear();
    return sent;
  }

  quorvel_standin_set_current_context_fn set_current_ = nullptr;
  CefRefPtr<comp::ClientApp> application_;
  CefRefPtr<PageBrowser> browser_ = new PageBrowser();
  CefRefPtr<CefV8Handler> handler_;
};

TEST_F(RenderSideTest, ThePageObjectIsRegisteredAsAnExtension) {
  EXPECT_TRUE(browser_test::Contains(
      browser_test::ReadLog(base::GetModuleDirectory() + L"cef\\standin.log"),
      "cef_register_extension v8/extern code=" +
          std::to_string(strlen(comp::kCefWebInstanceSource)) + " characters"));
  std::string source = comp::kCefWebInstanceSource;
  EXPECT_NE(std::string::npos, source.find("var CefWebInstance = {};"));
  EXPECT_NE(std::string::npos, source.find("native function call(functionName, jsonString, arg2);"));
  EXPECT_NE(std::string::npos, source.find("native function register(functionName, callback);"));
}

TEST_F(RenderSideTest, PageCallsGoToTheBrowserAndTheirAnswersComeBackOnce) {
  CefRefPtr<PageValue> callback = PageValue::Function(nullptr);
  CefRefPtr<PageValue> other = PageValue::Function(nullptr);
  std::string exception;
  ASSERT_TRUE(PageCalls("call", {PageValue::String("getInfo"), PageValue::String("{\"a\":1}"),
                                 callback}, &exception));
  ASSERT_TRUE(PageCalls("call", {PageValue::String("ping"), other}, &exception));
  EXPECT_EQ("", exception);
  // Ids count from 0; a call with a callback only sends "{}".
  EXPECT_EQ((std::vector<std::string>{"CallCppFunction getInfo {\"a\":1} 0",
                                      "CallCppFunction ping {} 1"}),
            Sent());

  AnswerPageCall(0, true, "{\"message\":\"Function does not exist.\"}");
  ASSERT_EQ(1u, callback->calls.size());
  const CefV8ValueList& arguments = callback->calls[0];
  ASSERT_EQ(2u, arguments.size());
  EXPECT_TRUE(arguments[0]->IsBool() && arguments[0]->GetBoolValue());
  EXPECT_EQ("parsed:{\"message\":\"Function does not exist.\"}",
            static_cast<PageValue*>(arguments[1].get())->tag());
  EXPECT_EQ(1, browser_->main_context->entered);
  EXPECT_EQ(1, browser_->main_context->exited);

  // A second answer for the same id, or one for an unknown id, is ignored.
  AnswerPageCall(0, false, "{}");
  AnswerPageCall(7, false, "{}");
  EXPECT_EQ(1u, callback->calls.size());
  EXPECT_TRUE(other->calls.empty());
}

TEST_F(RenderSideTest, WrongArgumentsThrowInThePage) {
  CefRefPtr<PageValue> function = PageValue::Function(nullptr);
  struct Case {
    const char* name;
    CefV8ValueList arguments;
    bool handled;
    const char* exception;
  } cases[] = {
      {"call", {PageValue::String("getInfo")}, false, "Invalid arguments."},
      {"call", {PageValue::String("getInfo"), PageValue::String("{}"), PageValue::String("x")},
       false, "Invalid arguments."},
      {"call", {PageValue::Object("o"), function}, false, "Invalid arguments."},
      {"register", {PageValue::String("f"), PageValue::String("x")}, false, "Invalid arguments."},
      {"send", {PageValue::String("f"), function}, false, ""},
      {"register", {PageValue::String("f"), function}, true, ""},
      // The first registration in a frame stays.
      {"register", {PageValue::String("f"), function}, false, "Failed to register function."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string exception;
    EXPECT_EQ(c.handled, PageCalls(c.name, c.arguments, &exception));
    EXPECT_EQ(c.exception, exception);
  }
  // Outside any script context nothing can be sent.
  set_current_(nullptr);
  std::string exception;
  EXPECT_FALSE(PageCalls("call", {PageValue::String("getInfo"), function}, &exception));
  EXPECT_EQ("Failed to call function getInfo.", exception);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(RenderSideTest, TheLauncherCallsPageFunctionsUntilTheirContextGoes) {
  CefRefPtr<PageValue> on_event = PageValue::Function([](const CefV8ValueList&) {
    return CefRefPtr<CefV8Value>(PageValue::Object("reply"));
  });
  CefRefPtr<PageValue> plain = PageValue::Function([](const CefV8ValueList&) {
    return CefRefPtr<CefV8Value>(PageValue::String("not an object"));
  });
  std::string exception;
  ASSERT_TRUE(PageCalls("register", {PageValue::String("onEvent"), on_event}, &exception));
  ASSERT_TRUE(PageCalls("register", {PageValue::String("plain"), plain}, &exception));

  // Frame id -1 is the main frame, where the functions were registered.
  CallPageFunction("onEvent", -1);
  CallPageFunction("onEvent", 5);
  ASSERT_EQ(2u, on_event->calls.size());
  EXPECT_EQ("parsed:{\"x\":1}", static_cast<PageValue*>(on_event->calls[0][0].get())->tag());
  EXPECT_EQ((std::vector<std::string>{"ExecuteCppCallback json:reply 9",
                                      "ExecuteCppCallback json:reply 9"}),
            Sent());
  // Another frame, an unknown name, or an answer that is no object: no reply.
  CallPageFunction("onEvent", 6);
  CallPageFunction("missing", -1);
  CallPageFunction("plain", -1);
  EXPECT_EQ(2u, on_event->calls.size());
  EXPECT_EQ(1u, plain->calls.size());
  EXPECT_TRUE(Sent().empty());

  // A page call waiting for its answer, then the main frame's context goes.
  CefRefPtr<PageValue> callback = PageValue::Function(nullptr);
  ASSERT_TRUE(PageCalls("call", {PageValue::String("getInfo"), callback}, &exception));
  ASSERT_EQ(1u, Sent().size());
  application_->OnContextReleased(browser_, browser_->main_frame, browser_->main_context);
  AnswerPageCall(0, false, "{}");
  CallPageFunction("onEvent", -1);
  EXPECT_TRUE(callback->calls.empty());
  EXPECT_EQ(2u, on_event->calls.size());
  EXPECT_TRUE(Sent().empty());
}

}  // namespace

// What every update state shares beyond its base: the routers that carry the
// download engine's answers back to the state that asked, and the paths of
// the directory and region requests.
//
// A state passes a router to the engine with its own StateType as the user
// value. The router delivers the answer to the current state only while it
// is of that type (the other pass of the same step included); an answer for
// a state that has since been replaced by another type is dropped. Worker
// thread (kMiscThreadId) only.
#ifndef UPDATE_STATES_STATE_ROUTING_H_
#define UPDATE_STATES_STATE_ROUTING_H_

#include <string>

// DownloadManager::DoneCallback: a queued file download ended.
void OnDownloadFileDone(int type, int code, const std::string& url, const std::string& error);
// DownloadManager::MemoryCallback: DownloadMemory's (or FetchOnce's) reply.
void OnRequestDone(int type, int code, const std::string& url, const char* data, int length,
                   const std::string& error);
// DownloadManager::ProbeCallback: ProbeUrl's answer.
void OnProbeDone(int type, int code, const std::string& url, bool exists,
                 const std::string& error);
// DownloadManager::ProgressCallback: a file transfer's speed. Only a current
// DownloadFilesState's samples count, and they go to the engine's
// statistics, not to the state.
void OnDownloadSpeed(int type, double speed);

// A blocking request's reply body as text ("" when there is none).
std::string ReplyText(const char* data, int length);

// "get/urls?key=<key>&udid=<machine id>[&is_qa=true]", without any white
// space. The key is the server overrides' GateKey, else "PCX64HANSA_" and
// the local game version.
std::string BuildGateUrl();
// "pre_download?channel=KOREA&udid=<machine id>", without any white space.
std::string BuildPreDownloadUrl();

#endif  // UPDATE_STATES_STATE_ROUTING_H_

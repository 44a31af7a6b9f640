// Readers of the directory and region replies, which carry JSON inside JSON
// strings: the directory's "Others" and the first element of the region's
// "info" are JSON texts of their own.
//
// Plain functions without state; the engine thread calls them.
#ifndef UPDATE_VERSIONS_SERVER_REPLIES_H_
#define UPDATE_VERSIONS_SERVER_REPLIES_H_

#include <string>
#include <vector>

// Directory reply: "DlcAddr" (a string or an array of strings) into
// `download`; false with "Get DlcAddr failed" when there is none. With
// `take_pre_download`, "PreDlcAddr" of the JSON text in "Others" goes into
// `pre_download`; an "Others" that does not parse leaves that list empty and
// its parser text in `error`, but the result stays true.
bool ParseDlcAddresses(const std::string& reply, std::vector<std::string>* download,
                       std::vector<std::string>* pre_download, std::string* error,
                       bool take_pre_download);

// Region reply: "KOREA_pc_addr" of the JSON text in the first element of
// "info". True only when that produced at least one server.
bool ParseRegionAddresses(const std::string& reply, std::vector<std::string>* servers,
                          std::string* error);

#endif  // UPDATE_VERSIONS_SERVER_REPLIES_H_

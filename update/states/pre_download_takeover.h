// The takeover of pre-downloaded files: when the game pass fetches a version
// that a pre-download has already fetched (wholly or in part), each file
// comes out of the pre-download folder of that version instead of from the
// servers.
//
// The pre-download folder holds each file under its MD5 text; a partial one
// has its resume record beside it (the name plus ".cfg"). A whole file is
// taken over only when its bytes have that MD5: one that does not is
// deleted from the folder and fetched anew. A partial one moves with its
// record into the staging folder, where the download engine resumes it.
//
// Plain function; the engine thread calls it while DownloadFilesState queues.
#ifndef UPDATE_STATES_PRE_DOWNLOAD_TAKEOVER_H_
#define UPDATE_STATES_PRE_DOWNLOAD_TAKEOVER_H_

#include <string>

// Offers the file `name` (relative path below `staging_folder`) with digest
// `md5` from `cache_folder`. 1 when the staged file is now whole and needs
// no download; 0 otherwise (nothing there, a partial file handed over for
// resuming, or a file that failed its check). Names that could leave their
// folder, or a digest that is not one, find nothing.
int TakePreDownloadedFile(const std::string& cache_folder, const std::string& staging_folder,
                          const std::string& name, const std::string& md5);

#endif  // UPDATE_STATES_PRE_DOWNLOAD_TAKEOVER_H_

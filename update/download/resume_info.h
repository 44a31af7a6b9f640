// Resume records: the JSON file beside a partly downloaded file (the file's
// name plus ".cfg") that lists the pieces still to fetch, so an interrupted
// download continues where it stopped.
//
//   {"infoList": [{"begin": b, "end": e, "index": i}, ...], "md5": "..."}
//
// A piece's begin is the first byte not yet written, its end the last byte
// of the piece; a piece with begin past end is finished. Bytes outside the
// listed pieces are claimed to be in the file.
//
// A record is written beside and then moved over the old one, so a crash
// leaves the old record or the new one, never a torn one. It is written after
// the bytes it claims have been handed to the system, so a stopped or killed
// process never leaves a record that claims more than the file holds. (After
// a power loss the disk may lack bytes a record claims; the file's digest,
// checked before it is passed as whole, then sends it to be fetched again.)
//
// Stateless functions; the download engine calls them on its thread.
#ifndef UPDATE_DOWNLOAD_RESUME_INFO_H_
#define UPDATE_DOWNLOAD_RESUME_INFO_H_

#include <cstdint>
#include <string>
#include <vector>

struct PieceInfo {
  int32_t index = 0;
  int64_t begin = 0;  // first byte not yet written
  int64_t end = 0;    // last byte of the piece (inclusive)
};

// The record's name: the file's plus ".cfg".
std::string ResumeRecordPath(const std::string& file_path);

// Creates the file's folders when missing and writes the record anew (beside,
// then replacing). False when it could not be written; the old record, if
// any, is then left as it was. `first` writes it in place instead, for a file
// with nothing downloaded yet, whose torn record would lose nothing.
bool SaveResumeInfo(const std::string& file_path, const std::string& md5,
                    const std::vector<PieceInfo>& pieces, bool first = false);

// The unfinished pieces of a file of `size` bytes whose digest is `md5`.
// True only for a record that can be trusted: it parses, names this digest,
// lists at least one unfinished piece, every piece lies inside the file
// (0 <= begin <= end < size), no two share an index or overlap, and the
// partial file is no longer than `size` and long enough to hold every byte
// the record claims. Deletes nothing: what to do with a record that fails is
// the caller's choice (the file may still be whole, which its digest tells).
bool LoadResumeInfo(const std::string& file_path, const std::string& md5, int64_t size,
                    std::vector<PieceInfo>* pieces);

// The record reads, parses and its "md5" is a string equal to `md5`.
bool ResumeInfoMatches(const std::string& file_path, const std::string& md5);

// Deletes the record; quiet when there is none.
void DeleteResumeInfo(const std::string& file_path);

#endif  // UPDATE_DOWNLOAD_RESUME_INFO_H_

// ScoreFile: ScoreList.sav, the two sound switches and the table's rows, with ScoreProofs.dat
// beside it (score_proofs.h): read into the rows, written from them, and written again only
// when what they would hold changed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scores/score_entry.h"

class ScoreFile {
  public:
    ScoreFile();  // the files in the writable directory; nothing is read yet

    // Reads the files into the kScoreEntryCount rows, and with them musicOn and soundOn.
    void load(ScoreEntry* const* entries);
    // Writes ScoreList.sav from the rows: not over a file that could not be read.
    void save(ScoreEntry* const* entries) const;
    // Writes ScoreList.sav only when what it would hold differs from what was last read or
    // written here.
    void saveIfChanged(ScoreEntry* const* entries) const;
    const std::string& path() const { return path_; }

  private:
    static std::vector<uint8_t> bytesOf(ScoreEntry* const* entries);
    void saveProofs(ScoreEntry* const* entries) const;

    std::string path_;
    std::string proofsPath_;
    bool readFailed_ = false;  // the file exists but could not be read: it is not overwritten
    mutable std::vector<uint8_t> knownFile_;    // the file's bytes as last read or written here
    mutable std::vector<uint8_t> knownProofs_;  // ScoreProofs.dat as last read or written here
};

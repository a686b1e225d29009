// The output files of one tag (or of one run), made whole before they appear.
//
// Each output is written under a temporary name in the set's folder, the
// run's output folder ("tag17.txt.part"), and renamed to its own name when the tag is done, so a
// name never holds a half-written file, and a run that fails or is
// interrupted leaves the previous file of that name as it was. An output whose
// writing failed is deleted instead and fails the tag.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/console.h"
#include "common/platform.h"

namespace dec {

class OutputSet {
  public:
    // Outputs are files of `folder`.
    OutputSet(Platform& sys, const Folder& folder) : sys_(sys), folder_(folder) {}
    // Whatever was not committed is deleted.
    ~OutputSet() { discard(); }
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Creates the temporary file of output `name`. The write-only descriptor
    // (`*entry` names the output for closed()), or -1 with errno; a failed
    // creation stops the set.
    int create(const char* name, size_t* entry);
    // The output's descriptor was closed. A complete file waits for commit();
    // an incomplete one is deleted now and the set has failed.
    void closed(size_t entry, bool complete);
    // The tag met a failure of the system (an output or a file that could not
    // be created, read, written, closed or renamed) and may have been cut
    // short anywhere: none of its outputs takes its name, commit() deletes
    // them all and fails.
    void stop();
    // Gives every complete file its name, replacing a file of that name, and
    // empties the set. 0, or -1 when an output failed: closed incomplete, or
    // its file could not take its name (reported on `con`, file deleted).
    int commit(Console& con);
    // Deletes every file not committed and empties the set.
    void discard();

    const char* name_of(size_t entry) const { return entries_[entry].name.c_str(); }

  private:
    enum class State { writing, complete, gone };
    struct Entry {
        std::string temp;
        std::string name;
        State state;
    };

    Platform& sys_;
    Folder folder_;
    std::vector<Entry> entries_;
    bool failed_ = false;
    bool stopped_ = false;
};

}  // namespace dec

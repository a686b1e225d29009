// Decoding the tags of an indexed container side by side.
//
// Tags are independent once the container is indexed: each reads its own
// downloads and writes its own files. Several threads decode tags ahead while
// the run hands out each tag's results in tag order, so the console, the
// files and the result are those of decoding one tag after the other:
// - a tag's console text is logged and replayed on the console at its turn;
// - its files are written under staged names ("name.part") and given their
//   names at its turn; when an earlier tag stops the run, the staged files of
//   the tags decoded ahead are deleted, so files of the same names from
//   before the run stay as they were;
// - its bad units join the run's count at its turn, and a fatal stop of a
//   tag stops the run at its turn.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "common/run_context.h"
#include "gen5/container_index.h"

namespace dec {

// The platform of a tag decoded ahead: files it creates get staged names.
class StagingPlatform final : public Platform {
public:
    explicit StagingPlatform(Platform& real) : real_(real) {}

    int open_read(const char* path) override { return real_.open_read(path); }
    int open_append(const char* path) override { return real_.open_append(path); }
    int open_create(const char* path) override;
    int open_create_rw(const char* path) override { return real_.open_create_rw(path); }
    ssize_t read(int fd, void* buf, size_t count) override { return real_.read(fd, buf, count); }
    ssize_t read_at(int fd, void* buf, size_t count, int64_t offset) override {
        return real_.read_at(fd, buf, count, offset);
    }
    ssize_t write(int fd, const void* buf, size_t count) override {
        return real_.write(fd, buf, count);
    }
    int64_t seek(int fd, int64_t offset, int whence) override {
        return real_.seek(fd, offset, whence);
    }
    int close(int fd) override { return real_.close(fd); }
    int change_dir(const char* path) override { return real_.change_dir(path); }
    int remove_file(const char* path) override { return real_.remove_file(path); }
    int rename_file(const char* from, const char* to) override {
        return real_.rename_file(from, to);
    }
    int read_console_char() override { return real_.read_console_char(); }

    // Gives the staged files their names (a failure is reported on `con`).
    void commit(Console& con);
    // Deletes the staged files.
    void discard();

private:
    Platform& real_;
    std::vector<std::pair<std::string, std::string>> staged_;  // staged, final name
};

// Decodes tags[0 .. count) with up to run.workers threads. Returns 0, or -1
// when a tag failed (the run stops after it); a fatal stop of a tag is
// rethrown at its turn. Prints the tag heading before each tag's text.
int run_tags_side_by_side(RunContext& run, const uint32_t* tags, size_t count,
                          const ContainerIndex& index);

}  // namespace dec

#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/file_system.h"

namespace mosavelle::testing {

// The real file system with injected failures. Every operation that changes the disk is
// numbered from 0 in call order; the one numbered `failAt` fails (a write after writing half of
// its bytes, like a full disk; anything else without doing anything). With `crash` set, every
// later change fails as well, as if the process had stopped there. `exchangeUnsupported` makes
// every atomic swap fail, like a file system without one.
class FaultyFileSystem final : public FileSystem {
public:
    using path = std::filesystem::path;
    int failAt = -1;
    bool crash = false;
    bool exchangeUnsupported = false;
    int changes = 0;                                // changes attempted so far
    std::vector<std::string> failed;                // "operation name" of each refused change
    std::vector<std::pair<std::string, path>> log;  // every change attempted: operation, path

    // Paths written or created and not flushed since, at the first rename or swap that came
    // after them: what a power cut could leave empty behind a name already in place.
    std::vector<std::string> unflushedWhenMoved() const {
        std::vector<path> pending;
        std::vector<std::string> unflushed;
        for (const auto& [op, p] : log) {
            if (op == "write" || op == "clone" || op == "mkdir")
                pending.push_back(p);
            else if (op == "flush")
                std::erase(pending, p);
            else if (op == "rename" || op == "exchange") {
                for (const auto& q : pending)
                    unflushed.push_back(op + " after " + q.string());
                pending.clear();
            }
        }
        return unflushed;
    }
    int moves() const {
        return static_cast<int>(std::count_if(log.begin(), log.end(), [](const auto& entry) {
            return entry.first == "rename" || entry.first == "exchange";
        }));
    }

    EntryKind entryKind(const path& p, bool follow) override { return fs().entryKind(p, follow); }
    Result<std::vector<std::string>> listDirectory(const path& p) override {
        return fs().listDirectory(p);
    }
    Result<Bytes> readFile(const path& p, bool follow) override { return fs().readFile(p, follow); }
    Status writeFile(const path& p, const Bytes& b) override {
        if (!refuse("write", p))
            return fs().writeFile(p, b);
        (void)fs().writeFile(p, Bytes(b.data(), b.size() / 2));
        return injected();
    }
    Status cloneFile(const path& a, const path& b) override {
        return refuse("clone", b) ? injected() : fs().cloneFile(a, b);
    }
    Status flush(const path& p) override { return refuse("flush", p) ? injected() : fs().flush(p); }
    Status createDirectory(const path& p) override {
        return refuse("mkdir", p) ? injected() : fs().createDirectory(p);
    }
    Status createDirectories(const path& p) override {
        return refuse("mkdirs", p) ? injected() : fs().createDirectories(p);
    }
    Status rename(const path& a, const path& b) override {
        return refuse("rename", a) ? injected() : fs().rename(a, b);
    }
    Status exchange(const path& a, const path& b) override {
        return refuse("exchange", a) || exchangeUnsupported ? injected() : fs().exchange(a, b);
    }
    Status remove(const path& p) override {
        return refuse("remove", p) ? injected() : fs().remove(p);
    }
    Status removeAll(const path& p) override {
        return refuse("removeAll", p) ? injected() : fs().removeAll(p);
    }

private:
    static FileSystem& fs() { return realFileSystem(); }
    static Status injected() { return Error{"could not change the disk (injected)"}; }
    bool refuse(const char* op, const path& p) {
        int index = changes++;
        log.emplace_back(op, p);
        bool fail = index == failAt || (crash && failAt >= 0 && index > failAt);
        if (fail)
            failed.push_back(std::string(op) + " " + p.filename().string());
        return fail;
    }
};

}  // namespace mosavelle::testing

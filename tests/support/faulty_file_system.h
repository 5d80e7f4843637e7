#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/file_system.h"

namespace mosavelle::testing {

// The real file system with injected failures. Every operation that changes the disk is
// numbered from 0 in call order; the one numbered `failAt`, and the first one named `failFirst`
// ("write", "flush", "rename", "link", ...), fails (a write after writing half of its bytes, like
// a full disk; anything else without doing anything). With `crash` set, every change after
// `failAt` fails as well, as if the process had stopped there. `exchangeUnsupported` makes every
// atomic swap fail and `unnamedUnsupported` every unnamed file, like file systems without them;
// files cannot be created in `refuseFilesIn`, and reading `unreadable` fails as a disk error (EIO)
// would. Writes to an open file are logged under its path,
// or under its folder / "(unnamed)" while it has none.
class FaultyFileSystem final : public FileSystem {
public:
    using path = std::filesystem::path;
    int failAt = -1;
    std::string failFirst;
    bool crash = false;
    bool exchangeUnsupported = false;
    bool unnamedUnsupported = false;
    path refuseFilesIn;
    path unreadable;
    int changes = 0;                                // changes attempted so far
    std::vector<std::string> failed;                // "operation name" of each refused change
    std::vector<std::pair<std::string, path>> log;  // every change attempted: operation, path

    // Paths written or created and not flushed since, at the first rename, swap or link that came
    // after them: what a power cut could leave empty behind a name already in place.
    std::vector<std::string> unflushedWhenMoved() const {
        std::vector<path> pending;
        std::vector<std::string> unflushed;
        for (const auto& [op, p] : log) {
            if (op == "write" || op == "clone" || op == "mkdir")
                pending.push_back(p);
            else if (op == "flush")
                std::erase(pending, p);
            else if (op == "rename" || op == "exchange" || op == "link") {
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
    Result<Bytes, ReadFailure> readFile(const path& p, bool follow, std::uint64_t max) override {
        if (p == unreadable)
            return ReadFailure{ReadFailure::Cause::system, EIO, fileOperationError("read", p, EIO)};
        return fs().readFile(p, follow, max);
    }
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
    Status touch(const path& p) override { return refuse("touch", p) ? injected() : fs().touch(p); }
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
    Result<std::unique_ptr<WritableFile>> createUnnamedFile(const path& folder) override {
        if (unnamedUnsupported)
            return Error{"could not create a file (unsupported)", ErrorCode::unsupported};
        if (refuse("create", folder / "(unnamed)") || folder == refuseFilesIn)
            return injected();
        return wrap(fs().createUnnamedFile(folder), folder / "(unnamed)");
    }
    Result<std::unique_ptr<WritableFile>> createFile(const path& p) override {
        if (refuse("create", p) || p.parent_path() == refuseFilesIn)
            return injected();
        return wrap(fs().createFile(p), p);
    }
    Result<std::unique_ptr<WritableFile>> openForOverwrite(const path& p) override {
        return refuse("open", p) ? injected() : wrap(fs().openForOverwrite(p), p);
    }
    bool removeUnheldFile(const path& p) override {
        return !refuse("remove", p) && fs().removeUnheldFile(p);
    }

private:
    class File final : public WritableFile {
    public:
        File(FaultyFileSystem& owner, std::unique_ptr<WritableFile> real, path name)
            : owner_(owner), real_(std::move(real)), name_(std::move(name)) {}
        Status append(std::span<const std::uint8_t> first,
                      std::span<const std::uint8_t> second) override {
            if (!owner_.refuse("write", name_))
                return real_->append(first, second);
            (void)real_->append(first.first(first.size() / 2));
            return injected();
        }
        Status appendContentOf(const path& source) override {
            return owner_.refuse("write", name_) ? injected() : real_->appendContentOf(source);
        }
        Status preallocate(std::uint64_t size) override {
            return owner_.refuse("reserve", name_) ? injected() : real_->preallocate(size);
        }
        Status truncate(std::uint64_t size) override {
            return owner_.refuse("truncate", name_) ? injected() : real_->truncate(size);
        }
        Result<std::uint64_t> size() override { return real_->size(); }
        void copyPermissionsOf(const path& model) override { real_->copyPermissionsOf(model); }
        Status sync() override {
            return owner_.refuse("flush", name_) ? injected() : real_->sync();
        }
        Status link(const path& p) override {
            if (owner_.refuse("link", p))
                return injected();
            auto linked = real_->link(p);
            if (linked)
                name_ = p;
            return linked;
        }
        Status close() override { return real_->close(); }

    private:
        FaultyFileSystem& owner_;
        std::unique_ptr<WritableFile> real_;
        path name_;
    };

    Result<std::unique_ptr<WritableFile>> wrap(Result<std::unique_ptr<WritableFile>> real,
                                               path name) {
        if (!real)
            return real.error();
        return std::unique_ptr<WritableFile>(new File(*this, std::move(*real), std::move(name)));
    }
    static FileSystem& fs() { return realFileSystem(); }
    static Error injected() { return fileOperationError("change", "the disk", EIO); }
    bool refuse(const std::string& op, const path& p) {
        int index = changes++;
        log.emplace_back(op, p);
        bool fail = index == failAt || (crash && failAt >= 0 && index > failAt) ||
                    (op == failFirst && failed.empty());
        if (fail)
            failed.push_back(op + " " + p.filename().string());
        return fail;
    }
};

}  // namespace mosavelle::testing

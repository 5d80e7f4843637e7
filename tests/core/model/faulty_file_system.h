#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/platform/file_system.h"

namespace mosavelle::testing {

// The real file system with injected failures. Every operation that changes the disk is
// numbered from 0 in call order; the one numbered `failAt` fails (a write after writing half of
// its bytes, anything else without doing anything). With
// `crash` set, every later change fails as well, as if the process had stopped there.
// `exchangeUnsupported` makes every atomic swap fail, like a file system without one.
class FaultyFileSystem final : public FileSystem {
public:
    int failAt = -1;
    bool crash = false;
    bool exchangeUnsupported = false;
    int changes = 0;                  // changes attempted so far
    std::vector<std::string> failed;  // "operation path" of each refused change

    EntryKind entryKind(const std::filesystem::path& p, bool follow) override {
        return real().entryKind(p, follow);
    }
    Result<std::vector<std::string>> listDirectory(const std::filesystem::path& p) override {
        return real().listDirectory(p);
    }
    Result<Bytes> readFile(const std::filesystem::path& p, bool follow) override {
        return real().readFile(p, follow);
    }
    Status writeFile(const std::filesystem::path& p, const Bytes& b) override {
        if (refuse("write", p)) {
            // Like a full disk: part of the data lands before the failure.
            (void)real().writeFile(p, Bytes(b.data(), b.size() / 2));
            return Error{"could not write (injected)"};
        }
        return real().writeFile(p, b);
    }
    Status flush(const std::filesystem::path& p) override {
        if (refuse("flush", p))
            return Error{"could not flush (injected)"};
        return real().flush(p);
    }
    Status createDirectory(const std::filesystem::path& p) override {
        if (refuse("mkdir", p))
            return Error{"could not create (injected)"};
        return real().createDirectory(p);
    }
    Status createDirectories(const std::filesystem::path& p) override {
        if (refuse("mkdirs", p))
            return Error{"could not create (injected)"};
        return real().createDirectories(p);
    }
    Status rename(const std::filesystem::path& a, const std::filesystem::path& b) override {
        if (refuse("rename", a))
            return Error{"could not move (injected)"};
        return real().rename(a, b);
    }
    Status exchange(const std::filesystem::path& a, const std::filesystem::path& b) override {
        if (refuse("exchange", a) || exchangeUnsupported)
            return Error{"could not swap"};
        return real().exchange(a, b);
    }
    Status remove(const std::filesystem::path& p) override {
        if (refuse("remove", p))
            return Error{"could not remove (injected)"};
        return real().remove(p);
    }
    Status removeAll(const std::filesystem::path& p) override {
        if (refuse("removeAll", p))
            return Error{"could not remove (injected)"};
        return real().removeAll(p);
    }

private:
    static FileSystem& real() { return realFileSystem(); }
    bool refuse(const char* op, const std::filesystem::path& p) {
        int index = changes++;
        bool fail = index == failAt || (crash && failAt >= 0 && index > failAt);
        if (fail)
            failed.push_back(std::string(op) + " " + p.filename().string());
        return fail;
    }
};

}  // namespace mosavelle::testing

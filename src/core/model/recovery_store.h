#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/model/package.h"
#include "core/platform/dates.h"
#include "core/platform/result.h"
#include "core/platform/uuid.h"

namespace mosavelle {

// What a recovery copy says about its document.
struct RecoveryManifest {
    std::string name;                // the document's display name
    std::filesystem::path document;  // the package it was opened from or saved as; empty: untitled
    Timestamp written{};             // when the copy was written
    friend bool operator==(const RecoveryManifest&, const RecoveryManifest&) = default;
};

// A document brought back from a recovery copy: its deck (pictures staged in the given folder)
// and what the copy said about it.
struct RecoveredDeck {
    PackageSnapshot snapshot;
    RecoveryManifest manifest;
};

// One document's recovery copy: the folder "<root>/<document id>" holding "deck.mosavelle" (the
// unsaved deck as a project package), "manifest.json" and "lock". An advisory lock on "lock" is
// held for as long as this object lives, which tells every program listing the copies that its
// document is still open. The lock dies with the process, so a killed program's copies show up
// as free at the next start.
//
// Thread-safe: writes run on a worker while the interface thread goes on. Every write and discard
// carries the revision it was asked for at; a request older than one already carried out does
// nothing, so a write that was queued before a save cannot bring the copy back after it.
class RecoveryCopy {
public:
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    const Uuid& id() const { return id_; }
    const std::filesystem::path& folder() const { return folder_; }

    // Writes `snapshot` as the copy's package, as a save writes one: a complete new tree swapped
    // in, so a crash leaves the previous copy or the new one, never a mix. Pictures that are files
    // of ours (staged) are hard-linked, copied only where linking fails. Then the manifest is
    // replaced atomically.
    Status write(const PackageSnapshot& snapshot, const RecoveryManifest& manifest,
                 std::uint64_t revision);

    // Removes the copy's package and manifest (the folder and its lock stay while this object
    // lives, and go with it).
    void discard(std::uint64_t revision);

    // Reads the copy back, its pictures made files of `staging`. Fails with a sentence naming the
    // copy when its manifest or its package cannot be read.
    Result<RecoveredDeck> read(std::shared_ptr<StagingFolder> staging) const;

private:
    friend class RecoveryStore;
    RecoveryCopy(Uuid id, std::filesystem::path folder, int lockFd)
        : id_(id), folder_(std::move(folder)), lockFd_(lockFd) {}
    void removeContents();

    Uuid id_;
    std::filesystem::path folder_;
    int lockFd_ = -1;
    mutable std::mutex mutex_;
    std::uint64_t revision_ = 0;
    bool hasContents_ = false;
};

// A recovery copy left by a program that is gone (its lock is free), as listed at start.
struct AbandonedCopy {
    Uuid id;
    // What the copy says about itself; absent when its manifest cannot be read.
    std::optional<RecoveryManifest> manifest;
    // The name to show: the manifest's, else the copy's folder name.
    std::string name;
};

// The folder of every recovery copy of this user: "$XDG_STATE_HOME/Mosavelle/recovery" by
// default ($HOME/.local/state when XDG_STATE_HOME is unset or relative).
class RecoveryStore {
public:
    explicit RecoveryStore(std::filesystem::path root = defaultRoot());
    static std::filesystem::path defaultRoot();

    const std::filesystem::path& root() const { return root_; }

    // Takes the copy `id`, making its folder when it has none, and holds its lock. Fails when
    // another holder has it (its document is open elsewhere) or the folder cannot be used.
    Result<std::shared_ptr<RecoveryCopy>> open(const Uuid& id) const;

    // The copies whose lock is free, newest first. A copy whose manifest cannot be read is listed
    // all the same (by its folder name), so it can be discarded; a folder without a manifest
    // or a package (one being made, or emptied) is not listed.
    std::vector<AbandonedCopy> abandoned() const;

    // Removes the copy `id` when its lock is free. True when it is gone.
    bool discard(const Uuid& id) const;

private:
    std::filesystem::path root_;
};

}  // namespace mosavelle

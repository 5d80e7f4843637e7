#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

#include "core/platform/result.h"

namespace mosavelle {

// The right to change one project package, held across processes: an advisory lock on a hidden
// file beside the package (".NAME.lock"), which is removed again on release. A program that saves
// a package holds its lock from reading the package it builds on until the save is in place, so a
// second writer waits and then starts from what the first one saved instead of overwriting it.
//
// Locks of one package conflict between processes and between lock objects of one process. A
// lock dies with its process, so a killed writer never blocks the next one. Move-only.
class PackageLock {
public:
    // Waits until the lock of `package` is free and takes it. `giveUp` is asked about every
    // 50 milliseconds while another holder has it; when it answers true the wait ends with an
    // error saying that another program is saving the project. A folder that refuses the lock
    // file fails with the system's reason.
    static Result<PackageLock> acquire(const std::filesystem::path& package,
                                       const std::function<bool()>& giveUp = {});

    PackageLock(PackageLock&& other) noexcept;
    PackageLock& operator=(PackageLock&& other) noexcept;
    ~PackageLock();

private:
    PackageLock(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
    void release();

    std::filesystem::path path_;
    int fd_ = -1;
};

}  // namespace mosavelle

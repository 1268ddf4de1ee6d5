#pragma once

// Held by a window from reading the settings at its close to writing them
// back, so that two windows closing at once (a desktop logout ends them
// together) each merge into what the other wrote rather than into what it
// had read before. A window's start takes no lock, and a lock that cannot
// be had (no folder, a file system without locks) lets the close go on.
class SettingsLock {
public:
    SettingsLock();
    ~SettingsLock();

    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

private:
    int fd = -1;
};

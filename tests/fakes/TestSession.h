// A Session wired to recording fakes. FakeSession alone never touches the disk, so the fuzz
// targets run it on their in-memory files; TestSession gives it a fresh temporary data folder.
#pragma once

#include <string>

#include "engine/Session.h"
#include "fakes/FakeLibrary.h"
#include "fakes/FakePorts.h"
#include "fakes/TestEnv.h"

namespace varnix::fakes {

struct FakeSession {
    FakeSession(platform::Platform& platform, const std::string& dataFolder)
        : session(platform, ports::Ports{dialogs, events, timer, clock, shell}, library) {
        session.settings.DataFolder = dataFolder;
        shell.about = &session.about;
    }

    FakeDialogs dialogs;
    FakeEventPump events;
    FakeTimer timer;
    FakeClock clock;
    FakeShell shell;
    FakeLibrary library;
    engine::Session session;
};

// A base of its own, so that the folder exists before the session is given its path.
struct TempFolder {
    testing::TempDir dir;
};

struct TestSession : TempFolder, FakeSession {
    explicit TestSession(platform::Platform& platform = platform::HostPlatform())
        : FakeSession(platform, dir.path()) {}
};

}  // namespace varnix::fakes

// A Session wired to recording fakes, with its data folder in a fresh temporary folder.
#pragma once

#include "engine/Session.h"
#include "fakes/FakeLibrary.h"
#include "fakes/FakePorts.h"
#include "fakes/TestEnv.h"

namespace varnix::fakes {

struct TestSession {
    explicit TestSession(platform::Platform& platform = platform::HostPlatform())
        : session(platform, ports::Ports{dialogs, events, timer, clock, shell}, library) {
        session.settings.DataFolder = dir.path();
        shell.about = &session.about;
    }

    testing::TempDir dir;
    FakeDialogs dialogs;
    FakeEventPump events;
    FakeTimer timer;
    FakeClock clock;
    FakeShell shell;
    FakeLibrary library;
    engine::Session session;
};

}  // namespace varnix::fakes

// The Remote Control panel: the switch starts and stops the server on the
// port the panel shows, the state is kept in its own file in the
// configuration folder (the setup file is never written), a client is
// served and counted, and a port that cannot be had turns the switch back.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "remote/bench_remote.h"
#include "support/bench_fixture.h"
#include "ui/remote_server.h"

namespace
{

// A port of 127.0.0.1 free a moment ago (the system's choice for port 0);
// kept bound (and listening, so nothing else takes it) when keep is set.
int FreePort(int *keep = nullptr)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
    if (keep) {
        ::listen(fd, 1);
        *keep = fd;
    } else {
        ::close(fd);
    }
    return ntohs(a.sin_port);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RemotePanel : public BenchTest
{
protected:
    void TearDown() override
    {
        Remote_Close();
        BenchTest::TearDown();
    }
    // Runs the event loop until the condition holds (at most 5 s).
    template <class F> bool PumpUntil(F done)
    {
        for (int i = 0; i < 500 && !done(); ++i) {
            ProcessSystemEvents();
            ::usleep(10000);
        }
        return done();
    }
};

TEST_F(RemotePanel, SwitchStartsServerAndStateIsKeptInItsOwnFile)
{
    ASSERT_GT(panelRemote, 0);
    Remote_Open();
    int enabled = -1, port = 0, local = -1;
    GetCtrlVal(panelRemote, REMOTE_ENABLE, &enabled);
    GetCtrlVal(panelRemote, REMOTE_PORT, &port);
    GetCtrlVal(panelRemote, REMOTE_LOCAL_ONLY, &local);
    EXPECT_EQ(enabled, 0); // off by default
    EXPECT_EQ(port, 5025);
    EXPECT_EQ(local, 1);
    EXPECT_EQ(RemoteServer_Listening(), 0);

    const int free = FreePort();
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_PORT, free), 0);
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 1), 0);
    ASSERT_EQ(RemoteServer_Listening(), 1);
    EXPECT_EQ(RemoteServer_Port(), free);

    std::string statePath;
    ASSERT_TRUE(Remote_StatePath(statePath));
    EXPECT_EQ(ReadFile(statePath), "Enabled=1\nPort=" + std::to_string(free) + "\nLocalOnly=1\n");
    char setupPath[1200] = "";
    ASSERT_EQ(Setup_DefaultPath(setupPath, sizeof setupPath), 0);
    EXPECT_FALSE(std::filesystem::exists(setupPath));
    EXPECT_EQ(std::filesystem::path(statePath).parent_path(), std::filesystem::path(setupPath).parent_path());

    // A client is served and counted; the panel shows it and its command.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(free));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    const char ask[] = "*IDN?\n";
    ASSERT_EQ(::send(fd, ask, sizeof ask - 1, 0), static_cast<ssize_t>(sizeof ask - 1));
    EXPECT_TRUE(PumpUntil([] { return RemoteServer_ClientCount() == 1 && RemoteServer_LastCommand() == "*IDN?"; }));
    std::string reply;
    char buffer[256];
    for (int i = 0; i < 500 && reply.find('\n') == std::string::npos; ++i) {
        ProcessSystemEvents();
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            reply.append(buffer, static_cast<std::size_t>(n));
        else
            ::usleep(10000);
    }
    EXPECT_EQ(reply, "Korvax,Demo 2.0,1234,2.0\n");
    int clients = -1;
    GetCtrlVal(panelRemote, REMOTE_CLIENTS, &clients);
    EXPECT_EQ(clients, 1);
    ::close(fd);
    EXPECT_TRUE(PumpUntil([] { return RemoteServer_ClientCount() == 0; }));

    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 0), 0);
    EXPECT_EQ(RemoteServer_Listening(), 0);
    EXPECT_EQ(ReadFile(statePath), "Enabled=0\nPort=" + std::to_string(free) + "\nLocalOnly=1\n");
    EXPECT_FALSE(std::filesystem::exists(setupPath));
}

TEST_F(RemotePanel, KeptStateStartsTheServerAndABusyPortTurnsTheSwitchBack)
{
    int holder = -1;
    const int busy = FreePort(&holder);
    RemoteState s;
    s.enabled = 1;
    s.port = busy;
    ASSERT_EQ(Remote_WriteState(s), 0);
    Remote_Open();
    EXPECT_EQ(RemoteServer_Listening(), 0);
    int enabled = -1;
    GetCtrlVal(panelRemote, REMOTE_ENABLE, &enabled);
    EXPECT_EQ(enabled, 0);
    char status[1024] = "";
    GetCtrlVal(panelRemote, REMOTE_STATUS, status);
    EXPECT_EQ(std::string(status).rfind("Cannot listen on port " + std::to_string(busy), 0), 0u) << status;
    ::close(holder);

    const int free = FreePort();
    s.port = free;
    ASSERT_EQ(Remote_WriteState(s), 0);
    Remote_Open();
    EXPECT_EQ(RemoteServer_Listening(), 1);
    EXPECT_EQ(RemoteServer_Port(), free);
}

// Whether a socket of ours can be bound to port on 127.0.0.2, another
// loopback address: it cannot while the server listens on every interface
// (the wildcard holds the port on all addresses), it can while the server
// holds 127.0.0.1 alone.  No traffic leaves the loopback.
bool SecondLoopbackFree(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(0x7f000002);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    ::close(fd);
    return bound;
}

TEST_F(RemotePanel, LocalOnlyOffListensOnEveryInterface)
{
    Remote_Open();
    const int free = FreePort();
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_PORT, free), 0);
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 1), 0);
    ASSERT_EQ(RemoteServer_Listening(), 1);
    EXPECT_TRUE(SecondLoopbackFree(free)); // 127.0.0.1 only

    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 0), 0);
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_LOCAL_ONLY, 0), 0);
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 1), 0);
    ASSERT_EQ(RemoteServer_Listening(), 1);
    EXPECT_EQ(RemoteServer_Port(), free);
    EXPECT_FALSE(SecondLoopbackFree(free)); // the wildcard address
    std::string statePath;
    ASSERT_TRUE(Remote_StatePath(statePath));
    EXPECT_EQ(ReadFile(statePath), "Enabled=1\nPort=" + std::to_string(free) + "\nLocalOnly=0\n");

    // Still served through 127.0.0.1.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(free));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    const char ask[] = "*IDN?\n";
    ASSERT_EQ(::send(fd, ask, sizeof ask - 1, 0), static_cast<ssize_t>(sizeof ask - 1));
    std::string reply;
    char buffer[256];
    for (int i = 0; i < 500 && reply.find('\n') == std::string::npos; ++i) {
        ProcessSystemEvents();
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            reply.append(buffer, static_cast<std::size_t>(n));
        else
            ::usleep(10000);
    }
    EXPECT_EQ(reply, "Korvax,Demo 2.0,1234,2.0\n");
    ::close(fd);
    EXPECT_TRUE(PumpUntil([] { return RemoteServer_ClientCount() == 0; }));

    // The kept state starts it the same way.
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 0), 0);
    RemoteState s;
    s.enabled = 1;
    s.port = free;
    s.localOnly = 0;
    ASSERT_EQ(Remote_WriteState(s), 0);
    Remote_Open();
    ASSERT_EQ(RemoteServer_Listening(), 1);
    EXPECT_FALSE(SecondLoopbackFree(free));
}

TEST_F(RemotePanel, BlocksUpToTheLargestWaveformAreTakenAndLargerOnesRefused)
{
    // The largest waveform: one channel streaming to RAM, float32 samples.
    const int streaming = isStreamingRAMEnabled, channels = numChanIn;
    isStreamingRAMEnabled = 1;
    numChanIn = 1;
    const std::size_t largest = static_cast<std::size_t>(Scope_RecordLimit()) * sizeof(float);
    isStreamingRAMEnabled = streaming;
    numChanIn = channels;
    EXPECT_GT(largest, std::size_t(64) << 20);

    Remote_Open();
    const int free = FreePort();
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_PORT, free), 0);
    ASSERT_EQ(OperateCtrl(panelRemote, REMOTE_ENABLE, 1), 0);
    EXPECT_EQ(RemoteServer_MaxBlock(), largest);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(free));
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    // A block one byte longer than the largest waveform is refused at its
    // header, before any of its bytes is held.
    const std::string over = std::to_string(largest + 1);
    const std::string ask = ":FREQ #" + std::to_string(over.size()) + over + "\n:SYST:ERR?\n";
    ASSERT_EQ(::send(fd, ask.data(), ask.size(), 0), static_cast<ssize_t>(ask.size()));
    std::string reply;
    char buffer[256];
    for (int i = 0; i < 500 && reply.find('\n') == std::string::npos; ++i) {
        ProcessSystemEvents();
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0)
            reply.append(buffer, static_cast<std::size_t>(n));
        else
            ::usleep(10000);
    }
    EXPECT_EQ(reply, "-223,\"Too much data\"\n");
    ::close(fd);
}

TEST_F(RemotePanel, DamagedStateFileKeepsDefaults)
{
    std::string path;
    ASSERT_TRUE(Remote_StatePath(path));
    std::ofstream(path) << "Enabled=7\nPort=99999\nLocalOnly=x\ngarbage\n";
    const RemoteState s = Remote_ReadState();
    EXPECT_EQ(s.enabled, 0);
    EXPECT_EQ(s.port, 5025);
    EXPECT_EQ(s.localOnly, 1);
}

} // namespace

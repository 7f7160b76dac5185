// A client's session: messages through the tree, replies, the error queue,
// the status registers, the common commands and pending operations.
#include "remote/scpi_block.h"
#include "remote/scpi_status.h"

#include <gtest/gtest.h>

#include <string>

using namespace scpi;

namespace
{

// A small instrument: a frequency, a channel scale, and a single record
// that completes when the test says so.
class SessionTest : public ::testing::Test
{
protected:
    Tree tree;
    double frequency = 1000.0;
    double scale[4] = {1, 1, 1, 1};
    bool recordDone = true;
    int resets = 0;
    std::string serial = "KX-0042";

    void SetUp() override
    {
        CommonHooks hooks;
        hooks.serial = [this] { return serial; };
        hooks.version = "2.0.1";
        hooks.reset = [this] {
            ++resets;
            frequency = 1000.0;
        };
        hooks.selfTest = [] { return 0; };
        InstallCommonCommands(tree, hooks);
        tree.Add(
            "[:SOURce]:FREQuency",
            [this](Context &, const Params &p) {
                if (const int e = ExpectParams(p, 1, 1))
                    return Result::Fail(e);
                double f = 0;
                if (const int e = NumberIn(p[0], 1.0, 1e6, 1e3, "HZ", f))
                    return Result::Fail(e);
                frequency = f;
                return Result::Ok();
            },
            [this](Context &, const Params &) { return Result::Reply(FormatNumber(frequency)); });
        tree.Add(
            ":CHANnel#(1-4):SCALe",
            [this](Context &c, const Params &p) {
                double s = 0;
                if (const int e = ExpectParams(p, 1, 1))
                    return Result::Fail(e);
                if (const int e = NumberIn(p[0], 1e-3, 10.0, 1.0, "V", s))
                    return Result::Fail(e);
                scale[c.suffixes[0] - 1] = s;
                return Result::Ok();
            },
            [this](Context &c, const Params &) { return Result::Reply(FormatNumber(scale[c.suffixes[0] - 1])); });
        tree.Add(":SINGle",
                 [this](Context &c, const Params &) {
                     recordDone = false;
                     c.session.BeginOperation([this] { return recordDone; });
                     return Result::Ok();
                 },
                 nullptr);
        tree.Add(":WAVeform:DATA", nullptr, [](Context &, const Params &) {
            const float v[2] = {1.0f, -2.0f};
            return Result::Reply(EncodeFloat32Block(v, 2));
        });
    }

    // Sends lines and returns what the session answers.
    std::string Ask(Session &s, const std::string &text)
    {
        s.Feed(text);
        return s.TakeOutput();
    }
};

TEST_F(SessionTest, RepliesOfAMessageAreJoinedAndTerminated)
{
    Session s(tree);
    EXPECT_EQ(Ask(s, "FREQ 2kHz;FREQ?;:CHAN2:SCAL 500mV;SCAL?\n"), "2000;0.5\n");
    EXPECT_EQ(Ask(s, "*IDN?\n"), "Korvax,Demo 2.0,KX-0042,2.0.1\n");
    EXPECT_EQ(Ask(s, "SYST:VERS?\r\n"), "1999.0\n");
    EXPECT_EQ(Ask(s, "*IDN?;*IDN?\n"), "Korvax,Demo 2.0,KX-0042,2.0.1;Korvax,Demo 2.0,KX-0042,2.0.1\n");
    // Bytes may come in any pieces.
    s.Feed("FR");
    s.Feed("EQ?");
    EXPECT_EQ(s.TakeOutput(), "");
    s.Feed("\n");
    EXPECT_EQ(s.TakeOutput(), "2000\n");
    // A block reply.
    EXPECT_EQ(Ask(s, "WAV:DATA?\n"), std::string("#18\x00\x00\x80\x3F\x00\x00\x00\xC0\n", 12));
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "0,\"No error\"\n");
}

TEST_F(SessionTest, IdnFieldsCannotSplitTheReply)
{
    Session s(tree);
    serial = "A,B;C D";
    EXPECT_EQ(Ask(s, "*IDN?\n"), "Korvax,Demo 2.0,A_B_C_D,2.0.1\n");
    serial.clear();
    EXPECT_EQ(Ask(s, "*IDN?\n"), "Korvax,Demo 2.0,0,2.0.1\n");
}

TEST_F(SessionTest, AMalformedMessageChangesNothing)
{
    Session s(tree);
    for (const char *m : {"FREQ 5kHz;CHAN1:SCAL 2;FREQ 1 2\n", "FREQ 5kHz;:NOPE 1\n", "FREQ 5kHz;CHAN9:SCAL 2\n",
                          "FREQ 5kHz;CHAN1:SCAL 2;FREQ 'x\n"}) {
        EXPECT_EQ(Ask(s, m), "") << m;
        EXPECT_EQ(frequency, 1000.0) << m;
        EXPECT_EQ(scale[0], 1.0) << m;
    }
    EXPECT_EQ(Ask(s, "SYST:ERR:COUN?\n"), "4\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?;ERR?;ERR?;ERR?\n"),
              "-103,\"Invalid separator;2\";-113,\"Undefined header;:NOPE\";"
              "-114,\"Header suffix out of range;:CHAN9:SCAL\";-151,\"Invalid string data;'x\"\n");
    // The connection goes on as before.
    EXPECT_EQ(Ask(s, "FREQ?\n"), "1000\n");
}

TEST_F(SessionTest, AnExecutionErrorSkipsTheRestOfItsMessage)
{
    Session s(tree);
    EXPECT_EQ(Ask(s, "FREQ?;FREQ 2MHZ;FREQ 3kHz;FREQ?\n"), "1000\n");
    EXPECT_EQ(frequency, 1000.0);
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "-222,\"Data out of range\"\n");
    for (const char *m : {"FREQ\n", "FREQ 1,2\n", "FREQ 1V\n", "FREQ ON\n"})
        s.Feed(m);
    EXPECT_EQ(Ask(s, "SYST:ERR?;:SYST:ERR?;:SYST:ERR?;:SYST:ERR?\n"),
              "-109,\"Missing parameter\";-108,\"Parameter not allowed\";-131,\"Invalid suffix\";"
              "-104,\"Data type error\"\n");
}

TEST_F(SessionTest, ErrorQueueKeepsTheOldestAndEndsWithOverflow)
{
    SessionLimits limits;
    limits.errorQueue = 3;
    Session s(tree, limits);
    for (const char *m : {"A\n", "FREQ 1 2\n", "FREQ 9MHZ\n", "B\n", "C\n"})
        s.Feed(m);
    EXPECT_EQ(s.Errors().Count(), 3u);
    EXPECT_EQ(Ask(s, "SYST:ERR:NEXT?\n"), "-113,\"Undefined header;:A\"\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "-103,\"Invalid separator;2\"\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "-350,\"Queue overflow\"\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "0,\"No error\"\n");

    ErrorQueue q(2);
    q.Push(-100, std::string(400, 'x') + "\"\x01");
    EXPECT_LE(q.Pop().size(), 255u + 8u);
}

TEST_F(SessionTest, EventStatusRegisterFollowsTheErrorClasses)
{
    Session s(tree);
    EXPECT_EQ(Ask(s, "*ESR?\n"), "0\n");
    s.Feed("NOPE\n");
    EXPECT_EQ(Ask(s, "*ESR?\n"), "32\n"); // command error
    EXPECT_EQ(Ask(s, "*ESR?\n"), "0\n");  // read clears it
    s.Feed("FREQ 9MHZ\n");
    EXPECT_EQ(Ask(s, "*ESR?\n"), "16\n"); // execution error
    s.ReportError(kSystemError);
    EXPECT_EQ(s.Esr(), kEsrDeviceError);
    s.ReportError(kQueryInterrupted);
    EXPECT_EQ(s.Esr(), kEsrDeviceError | kEsrQueryError);
    s.ReportError(42); // device-specific codes are positive
    EXPECT_EQ(s.TakeEsr(), kEsrDeviceError | kEsrQueryError);
    s.Feed("*CLS\n");
    EXPECT_EQ(s.Errors().Count(), 0u);
}

TEST_F(SessionTest, StatusByteAndEnableRegisters)
{
    Session s(tree);
    EXPECT_EQ(Ask(s, "*ESE 36;*ESE?;*SRE 255;*SRE?\n"), "36;191\n");
    EXPECT_EQ(Ask(s, "*STB?\n"), "0\n");
    s.Feed("NOPE\n");
    // Error queue (4), event summary (32) and the request (64).
    EXPECT_EQ(Ask(s, "*STB?\n"), "100\n");
    // A reply waiting earlier in the message is a message available (16).
    EXPECT_EQ(Ask(s, "*CLS;*ESE?;*STB?\n"), "36;80\n");
    EXPECT_EQ(Ask(s, "*ESE 256\n"), "");
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "-222,\"Data out of range\"\n");
    EXPECT_EQ(Ask(s, "*ESE MAX;*ESE?;*ESE\n"), "255\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?\n"), "-109,\"Missing parameter\"\n");
    EXPECT_EQ(Ask(s, "*CLS 1;*TST?\n"), "");
    EXPECT_EQ(Ask(s, "SYST:ERR?;*TST?\n"), "-108,\"Parameter not allowed\";0\n");
}

TEST_F(SessionTest, ResetCallsTheHookAndKeepsTheStatus)
{
    Session s(tree);
    s.Feed("FREQ 5kHz;*ESE 4;NOPE\n");
    s.Feed("FREQ 5kHz;*ESE 4\n*RST\n");
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(frequency, 1000.0);
    EXPECT_EQ(Ask(s, "*ESE?;:SYST:ERR:COUN?\n"), "4;1\n");
}

TEST_F(SessionTest, OpcQueryAnswersWhenTheRecordIsComplete)
{
    Session s(tree);
    EXPECT_EQ(Ask(s, "*OPC?\n"), "1\n"); // nothing pending
    EXPECT_EQ(Ask(s, ":SING;*OPC?;:FREQ?\n"), "");
    EXPECT_TRUE(s.Holding());
    // Later commands of this client wait too.
    EXPECT_EQ(Ask(s, "FREQ 5kHz;FREQ?\n"), "");
    EXPECT_EQ(frequency, 1000.0);
    s.Poll();
    EXPECT_EQ(s.TakeOutput(), "");
    recordDone = true;
    s.Poll();
    EXPECT_FALSE(s.Holding());
    EXPECT_EQ(s.TakeOutput(), "1;1000\n5000\n");
}

TEST_F(SessionTest, WaiHoldsTheFollowingCommands)
{
    Session s(tree);
    s.Feed(":SING;*WAI;:FREQ 2kHz\nFREQ?\n");
    EXPECT_EQ(frequency, 1000.0);
    EXPECT_TRUE(s.Holding());
    recordDone = true;
    s.Poll();
    EXPECT_EQ(frequency, 2000.0);
    EXPECT_EQ(s.TakeOutput(), "2000\n");
    // With nothing pending *WAI holds nothing.
    EXPECT_EQ(Ask(s, "*WAI;FREQ?\n"), "2000\n");
}

TEST_F(SessionTest, OpcSetsTheEventBitWhenOperationsEnd)
{
    Session s(tree);
    s.Feed("*OPC\n");
    EXPECT_EQ(Ask(s, "*ESR?\n"), "1\n");
    s.Feed(":SING;*OPC\n");
    EXPECT_FALSE(s.Holding());
    EXPECT_EQ(Ask(s, "*ESR?\n"), "0\n");
    recordDone = true;
    s.Poll();
    EXPECT_EQ(Ask(s, "*ESR?\n"), "1\n");
    // *CLS disarms a waiting *OPC.
    s.Feed(":SING;*OPC;*CLS\n");
    recordDone = true;
    s.Poll();
    EXPECT_EQ(Ask(s, "*ESR?\n"), "0\n");
}

TEST_F(SessionTest, OperationsEndedByTheirOwner)
{
    Session s(tree);
    const int a = s.BeginOperation();
    const int b = s.BeginOperation();
    s.Feed("*OPC?\n");
    s.Poll();
    EXPECT_TRUE(s.Holding());
    s.EndOperation(a);
    EXPECT_TRUE(s.Holding());
    s.EndOperation(b);
    EXPECT_EQ(s.TakeOutput(), "1\n");
    // *RST forgets operations it abandons.
    s.BeginOperation();
    s.Feed("*RST;*OPC?\n");
    EXPECT_EQ(s.TakeOutput(), "1\n");
}

TEST_F(SessionTest, DeviceClearReleasesAHeldSession)
{
    Session s(tree);
    s.Feed(":SING;*OPC?\nFREQ 5kHz\n");
    EXPECT_TRUE(s.Holding());
    s.DeviceClear();
    EXPECT_FALSE(s.Holding());
    EXPECT_FALSE(s.OperationPending());
    EXPECT_EQ(Ask(s, "FREQ?\n"), "1000\n");
}

TEST_F(SessionTest, AHandlerMayClearItsOwnSession)
{
    tree.Add(":SYSTem:CLEar", [](Context &c, const Params &) {
        c.session.DeviceClear();
        return Result::Ok();
    }, [](Context &c, const Params &) {
        c.session.DeviceClear();
        return Result::Reply("cleared");
    });
    Session s(tree);
    // The clear drops the replies not yet sent, the rest of the message and
    // the input after it, and what the clearing handler itself returned.
    EXPECT_EQ(Ask(s, "FREQ?;:SYST:CLE;:FREQ 5kHz\nFREQ 6kHz\n"), "");
    EXPECT_EQ(Ask(s, "SYST:CLE?\n"), "");
    EXPECT_EQ(s.StatusByte(), 0); // no reply is left waiting
    EXPECT_EQ(Ask(s, "*STB?;:FREQ?\n"), "0;1000\n");
}

TEST_F(SessionTest, HeldInputIsBounded)
{
    SessionLimits limits;
    limits.maxHeldInput = 64;
    Session s(tree, limits);
    s.Feed(":SING;*WAI\n");
    s.Feed("FREQ 2kHz\n");
    EXPECT_TRUE(s.AcceptsInput());
    s.Feed(std::string(100, ' ') + "FREQ 3kHz\nFREQ 4kHz\n");
    s.Feed(std::string(100, 'x'));
    s.Feed("still the same line\nFREQ?\n");
    recordDone = true;
    s.Poll();
    // Only what followed the last refused line's end ran.
    EXPECT_EQ(s.TakeOutput(), "1000\n");
    EXPECT_EQ(Ask(s, "SYST:ERR?;ERR?;ERR?\n"),
              "-363,\"Input buffer overrun\";-363,\"Input buffer overrun\";0,\"No error\"\n");
}

TEST_F(SessionTest, OversizedMessagesAndBlocksAreRefusedAndTheLineDropped)
{
    SessionLimits limits;
    limits.framer.maxMessage = 32;
    limits.framer.maxBlock = 8;
    Session s(tree, limits);
    s.Feed("FREQ 5kHz;" + std::string(40, ' ') + ";FREQ 6kHz\n");
    s.Feed("FREQ 7kHz;WAV:DATA? #19123456789;FREQ 8kHz\n");
    EXPECT_EQ(frequency, 1000.0);
    EXPECT_EQ(Ask(s, "SYST:ERR?;ERR?;ERR?\n"),
              "-363,\"Input buffer overrun\";-223,\"Too much data\";0,\"No error\"\n");
}

} // namespace

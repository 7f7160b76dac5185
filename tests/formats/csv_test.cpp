#include <clocale>
#include <cstring>
#include <locale>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "formats/csv.h"
#include "formats_test_support.h"

namespace
{

using formats::Record;
using formats::Status;

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameValues(const Record &expected, const Record &actual)
{
    ASSERT_EQ(expected.channels.size(), actual.channels.size());
    ASSERT_EQ(expected.Samples(), actual.Samples());
    for (std::size_t k = 0; k < expected.channels.size(); ++k) {
        EXPECT_EQ(expected.channels[k].name, actual.channels[k].name);
        EXPECT_EQ(expected.channels[k].unit, actual.channels[k].unit);
        for (std::size_t i = 0; i < expected.Samples(); ++i)
            EXPECT_TRUE(SameBits(expected.channels[k].values[i], actual.channels[k].values[i]))
                << "channel " << k << " sample " << i << ": " << expected.channels[k].values[i] << " read as "
                << actual.channels[k].values[i];
    }
}

// Sets a locale whose decimal separator is a comma for the life of the
// object, in C and in C++; skips when the machine has none.
class CommaLocale
{
  public:
    CommaLocale()
    {
        oldC_ = std::setlocale(LC_ALL, nullptr);
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"}) {
            if (std::setlocale(LC_ALL, name)) {
                name_ = name;
                try {
                    oldCpp_ = std::locale::global(std::locale(name));
                } catch (const std::exception &) {
                }
                break;
            }
        }
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, oldC_.c_str());
        std::locale::global(oldCpp_);
    }
    bool Active() const { return !name_.empty() && std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

  private:
    std::string oldC_;
    std::locale oldCpp_;
    std::string name_;
};

TEST(CsvFile, Float64ValuesAndPreTriggerTimesReadBackExactly)
{
    ScratchFolder dir;
    const Record record = AwkwardRecord();
    ASSERT_EQ(Status::Ok, formats::WriteCsv(dir.File("r.csv"), record));

    Record back;
    std::string message;
    ASSERT_EQ(Status::Ok, formats::ReadCsv(dir.File("r.csv"), &back, &message)) << message;
    ExpectSameValues(record, back);
    EXPECT_TRUE(SameBits(-3e-6, back.firstTime)) << back.firstTime;
    EXPECT_NEAR(1e-6, back.sampleInterval, 1e-18);
}

TEST(CsvFile, HeaderNamesTheColumnsAndTimesStartBeforeTheTrigger)
{
    ScratchFolder dir;
    Record record;
    record.sampleInterval = 0.5;
    record.channels = {{"CH1", "V", {1.5, -2, 0.25, 3}}, {"Probe, x10", "mV", {0, 0, 0, 1e-3}}};
    record.SetPreTrigger(2);
    ASSERT_EQ(Status::Ok, formats::WriteCsv(dir.File("r.csv"), record));
    EXPECT_EQ("Time (s),CH1 (V),\"Probe, x10 (mV)\"\r\n"
              "-1,1.5,0\r\n"
              "-0.5,-2,0\r\n"
              "0,0.25,0\r\n"
              "0.5,3,0.001\r\n",
              ReadBytes(dir.File("r.csv")));

    Record back;
    ASSERT_EQ(Status::Ok, formats::ReadCsv(dir.File("r.csv"), &back));
    ExpectSameValues(record, back);
}

TEST(CsvFile, TimesAreWholeIntervalsFromTheTrigger)
{
    ScratchFolder dir;
    const Record record = AwkwardRecord(); // 1 us, three samples before the trigger
    ASSERT_EQ(Status::Ok, formats::WriteCsv(dir.File("r.csv"), record));
    const std::string text = ReadBytes(dir.File("r.csv"));
    std::vector<std::string> times;
    for (std::size_t start = text.find("\r\n") + 2; start < text.size(); start = text.find("\r\n", start) + 2)
        times.push_back(text.substr(start, text.find(',', start) - start));
    EXPECT_EQ((std::vector<std::string>{"-3e-06", "-2e-06", "-1e-06", "0", "1e-06", "2e-06", "3e-06", "4e-06"}),
              times);
}

TEST(CsvFile, CommaLocaleStillWritesPoints)
{
    ScratchFolder dir;
    const Record record = AwkwardRecord();
    {
        CommaLocale locale;
        if (!locale.Active())
            GTEST_SKIP() << "no German or French locale on this machine (tools/install-deps.sh makes them)";
        ASSERT_EQ(Status::Ok, formats::WriteCsv(dir.File("r.csv"), record));
        Record back;
        ASSERT_EQ(Status::Ok, formats::ReadCsv(dir.File("r.csv"), &back));
        ExpectSameValues(record, back);
    }
    // Every row holds exactly one comma per channel: no decimal commas.
    const std::string text = ReadBytes(dir.File("r.csv"));
    std::size_t rows = 0, withPoint = 0, start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(std::string::npos, end);
        const std::string row = text.substr(start, end - start);
        EXPECT_EQ(2, std::count(row.begin(), row.end(), ',')) << row;
        if (row.find('.') != std::string::npos)
            ++withPoint;
        ++rows;
        start = end + 2;
    }
    EXPECT_EQ(record.Samples() + 1, rows);
    EXPECT_GE(withPoint, 4u);
}

TEST(CsvFile, ReaderTakesPlainLineEndsQuotesAndAByteOrderMark)
{
    const std::string text = "\xEF\xBB\xBFTime (s), \"a \"\"b\"\" (V)\" ,c\n0, +1 ,2\n1e-3,-1,-2\n\n";
    Record r;
    std::string message;
    ASSERT_EQ(Status::Ok, formats::ParseCsv(text.data(), text.size(), &r, &message)) << message;
    ASSERT_EQ(2u, r.channels.size());
    EXPECT_EQ("a \"b\"", r.channels[0].name);
    EXPECT_EQ("V", r.channels[0].unit);
    EXPECT_EQ("c", r.channels[1].name);
    EXPECT_EQ("", r.channels[1].unit);
    EXPECT_EQ((std::vector<double>{1, -1}), r.channels[0].values);
    EXPECT_EQ((std::vector<double>{2, -2}), r.channels[1].values);
    EXPECT_EQ(0.0, r.firstTime);
    EXPECT_DOUBLE_EQ(1e-3, r.sampleInterval);
}

TEST(CsvFile, ColumnTitlesSplitIntoNameAndUnitOnlyWhenBothAreThere)
{
    const std::string text = "t,probe  ( mV ),x (),(V),a (b (c)\n0,1,2,3,4\n1,1,2,3,4\n";
    Record r;
    ASSERT_EQ(Status::Ok, formats::ParseCsv(text.data(), text.size(), &r));
    ASSERT_EQ(4u, r.channels.size());
    EXPECT_EQ("probe", r.channels[0].name);
    EXPECT_EQ("mV", r.channels[0].unit);
    EXPECT_EQ("x ()", r.channels[1].name);
    EXPECT_EQ("", r.channels[1].unit);
    EXPECT_EQ("(V)", r.channels[2].name);
    EXPECT_EQ("", r.channels[2].unit);
    EXPECT_EQ("a (b", r.channels[3].name);
    EXPECT_EQ("c", r.channels[3].unit);
}

TEST(CsvFile, ReaderRefusesWhatIsNotAnEvenlySampledRecord)
{
    struct Case
    {
        const char *text;
        const char *where; // part of the message
    };
    const Case cases[] = {
        {"", "empty"},
        {"Time (s),CH1 (V)\r\n", "two samples"},
        {"Time (s),CH1 (V)\r\n0,1\r\n", "two samples"},
        {"Time (s)\r\n0\r\n1\r\n", "channel"},
        {"Time (s),CH1\r\n0,1\r\n1,2,3\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1,0,5\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1,x\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1,1e999\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1,--1\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\nnan,1\r\n", "line 3"},
        {"Time (s),CH1\r\n0,1\r\n1,1\r\n3,1\r\n", "evenly"},
        {"Time (s),CH1\r\n1,1\r\n0,1\r\n", "rise"},
        {"Time (s),\"CH1\r\n0,1\r\n1,1\r\n", "titles"},
        {"Time (s),CH1\r\n0,1;2\r\n1,1\r\n", "line 2"},
    };
    for (const Case &c : cases) {
        Record r;
        r.channels.resize(1);
        std::string message;
        EXPECT_EQ(Status::ParseError, formats::ParseCsv(c.text, std::strlen(c.text), &r, &message)) << c.text;
        EXPECT_NE(std::string::npos, message.find(c.where)) << c.text << " -> " << message;
        EXPECT_TRUE(r.channels.empty()) << c.text;
    }
}

TEST(CsvFile, ReaderRefusesAFifoAndAFolderWithoutWaiting)
{
    ScratchFolder dir;
    ASSERT_EQ(0, ::mkfifo(dir.File("pipe.csv").c_str(), 0600));
    Record r;
    std::string message;
    EXPECT_EQ(Status::NotRegularFile, formats::ReadCsv(dir.File("pipe.csv"), &r, &message));
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(Status::NotRegularFile, formats::ReadCsv(dir.Path(), &r));
    EXPECT_EQ(Status::ReadFailed, formats::ReadCsv(dir.File("missing.csv"), &r));
}

TEST(CsvFile, ReaderRefusesAFileLargerThanItsLimitBeforeReadingIt)
{
    ScratchFolder dir;
    WriteBytes(dir.File("big.csv"), "Time (s),CH1 (V)\r\n0,1\r\n1,2\r\n");
    ASSERT_EQ(0, ::truncate(dir.File("big.csv").c_str(), static_cast<off_t>(formats::kCsvMaxFileBytes) + 1));
    Record r;
    std::string message;
    EXPECT_EQ(Status::TooLarge, formats::ReadCsv(dir.File("big.csv"), &r, &message));
    EXPECT_EQ("the file is too large", message);
    EXPECT_TRUE(r.channels.empty());
}

} // namespace

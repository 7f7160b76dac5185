// A scratch folder per test, removed with everything in it afterwards.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "formats/record.h"

class ScratchFolder
{
  public:
    ScratchFolder()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvax-formats-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchFolder()
    {
        for (const std::string &name : Entries())
            ::unlink((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    const std::string &Path() const { return path_; }
    std::string File(const std::string &name) const { return path_ + "/" + name; }
    // The names in the folder, "." and ".." left out.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        if (DIR *d = ::opendir(path_.c_str())) {
            while (const dirent *e = ::readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            ::closedir(d);
        }
        return names;
    }

  private:
    std::string path_;
};

inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Two channels with values that only an exact writer keeps: thirds,
// tenths, the extremes of float64 and a subnormal.  The first three samples
// precede the trigger.
inline formats::Record AwkwardRecord()
{
    formats::Record r;
    r.sampleInterval = 1e-6;
    r.channels.resize(2);
    r.channels[0].name = "CH1";
    r.channels[0].unit = "V";
    r.channels[1].name = "CH2";
    r.channels[1].unit = "V";
    r.channels[0].values = {0.1, 1.0 / 3.0, -2.5e-7, 1.7976931348623157e308, 4.9406564584124654e-324,
                            -0.0, 123456.78901234567, -9.999999999999999e-5};
    r.channels[1].values = {-0.1, 2.0 / 3.0, 1e-300, -1.7976931348623157e308, 0.30000000000000004,
                            7.0, -1.0 / 7.0, 2.2250738585072014e-308};
    r.SetPreTrigger(3);
    return r;
}

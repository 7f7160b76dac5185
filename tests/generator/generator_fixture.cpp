#include "generator_fixture.h"

#include <fstream>

std::string GeneratorTest::WriteFile(const std::string &name, const std::string &text)
{
    const std::string path = TempDir() + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out << text;
    return path;
}

#ifndef TESTS_TESTUTIL_H
#define TESTS_TESTUTIL_H

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace testutil {

// A fresh folder under the system temp folder, removed with its files at scope end.
class TempDir
{
public:
    TempDir()
    {
        char templ[] = "/tmp/vistrel-test-XXXXXX";
        const char* p = mkdtemp(templ);
        mPath = p ? p : "/tmp";
    }
    ~TempDir() { std::system(("rm -rf '" + mPath + "'").c_str()); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return mPath; }
    std::string file(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

template <typename T>
void appendRaw(std::string* bytes, const T& value)
{
    bytes->append(reinterpret_cast<const char*>(&value), sizeof(T));
}

// Captures what is written to std::cout while it lives.
class CoutCapture
{
public:
    CoutCapture() : mOld(std::cout.rdbuf(mBuffer.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(mOld); }
    std::string text() const { return mBuffer.str(); }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        std::istringstream in(mBuffer.str());
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }

private:
    std::ostringstream mBuffer;
    std::streambuf* mOld;
};

} // namespace testutil

#endif

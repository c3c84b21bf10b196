// Line readers over buffered standard-library streams, used by the settings store.
#pragma once
#include <cstdio>
#include <string>

class TextFileManager1 {
public:
    TextFileManager1() = default;
    TextFileManager1(const TextFileManager1&) = delete;
    TextFileManager1& operator=(const TextFileManager1&) = delete;
    virtual ~TextFileManager1();

    virtual bool Open();   // the base opens nothing
    virtual bool Close();
    virtual void SetName(const std::string& fileName);
    virtual std::string GetName();

protected:
    std::string name;
    FILE* file = nullptr;
};

class TextFileReader1 : public TextFileManager1 {
public:
    // Text mode: a CR LF pair reads as one line feed.
    bool Open() override;
    // True with no stream, at the end of the file, or after a read error (a read error ends
    // the reading as the end of the file does).
    bool Eof();
    // At most MaxLine characters per call; a longer physical line comes back in pieces.
    std::string ReadLine();

    static constexpr int MaxLine = 2048;
};

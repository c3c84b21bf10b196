#include "Tarvel/shell/textfile.h"

TextFileManager1::~TextFileManager1() { TextFileManager1::Close(); }

bool TextFileManager1::Open() { return false; }

bool TextFileManager1::Close() {
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    return true;
}

void TextFileManager1::SetName(const std::string& fileName) { name = fileName; }

std::string TextFileManager1::GetName() { return name; }

bool TextFileReader1::Open() {
    Close();
    file = std::fopen(name.c_str(), "rt");
    return file != nullptr;
}

bool TextFileReader1::Eof() { return !file || std::feof(file) || std::ferror(file); }

std::string TextFileReader1::ReadLine() {
    if (!file) return {};
    char buf[MaxLine + 1];
    if (!std::fgets(buf, sizeof buf, file)) return {};
    std::string line(buf);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

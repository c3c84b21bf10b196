// A folder of its own under the temporary folder for files that a test writes; removed at the end.
#pragma once
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        static int serial = 0;
        path = std::string(base) + "modelset_" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(++serial) + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempDir() {
        for (const auto& f : files) DeleteFileA(f.c_str());
        RemoveDirectoryA(path.c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes the file and returns its full name.
    std::string Write(const std::string& name, const std::string& text) {
        std::string full = path + name;
        std::ofstream(full, std::ios::binary) << text;
        files.push_back(full);
        return full;
    }

    std::string path;

private:
    std::vector<std::string> files;
};

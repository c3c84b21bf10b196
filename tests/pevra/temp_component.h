// A component folder for the engine's tests: a fresh temporary folder with data\zodynas.voc
// written byte for byte, and the registration reader that names a library file inside it.
#pragma once
#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <string>
#include "DTW/SimilarWordEngine.h"

class TempComponent {
public:
    explicit TempComponent(const std::string& vocabulary) {
        static int serial = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("pevra_test_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(dir_ / "data");
        std::FILE* f = std::fopen((dir_ / "data" / "zodynas.voc").string().c_str(), "wb");
        EXPECT_NE(nullptr, f);
        if (!f) return;
        std::fwrite(vocabulary.data(), 1, vocabulary.size(), f);
        std::fclose(f);
    }
    ~TempComponent() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempComponent(const TempComponent&) = delete;
    TempComponent& operator=(const TempComponent&) = delete;

    std::string folder() const { return dir_.string(); }
    SimilarWordEngine::RegistrationReader reader() const {
        const std::string file = folder() + "\\Pevra.dll";
        return [file](std::string& path) {
            path = file;
            return true;
        };
    }

private:
    std::filesystem::path dir_;
};

// Paths of the component fixtures as a Windows program sees them (Z:\...).
#pragma once
#include <string>

inline std::string DataPath(const std::string& name) {
    std::string p = std::string(COMPONENTS_TEST_DATA) + "/" + name;
    for (char& c : p)
        if (c == '/') c = '\\';
    return "Z:" + p;
}

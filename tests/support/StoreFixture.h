#pragma once

// A fresh profile store, a documents folder of its own and an unknown current profile for
// every test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "macros/Download.h"
#include "profiles/CurrentProfile.h"
#include "profiles/Paths.h"
#include "profiles/ProfileStore.h"

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "brisvane-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        profiles::SetDocumentsFolder(dir_);
        profiles::ForgetCurrentProfile();
        macros::SetMacroSpace(0);
        ASSERT_EQ(profiles::InitProfileStore(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path File(const std::string& name) const { return dir_ / name; }

    static std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

    static profiles::ProfileStore& Store() { return profiles::GetProfileStore(); }
    static keys::KeyEntry& Entry(size_t block, size_t index) {
        return Store().image->blocks[block][index];
    }

    std::filesystem::path dir_;
};

// A fresh temporary folder per test, removed afterwards, with helpers to write and read files in it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "../../support/scratch_folder.h"

class TempFolderTest : public ::testing::Test {
protected:
    std::string Path(const std::string& relative) const { return folder_.Path(relative); }
    void Write(const std::string& relative, const std::string& bytes) const
    {
        ASSERT_TRUE(folder_.Write(relative, bytes)) << relative;
    }
    std::string Read(const std::string& relative) const { return folder_.Read(relative); }
    bool Exists(const std::string& relative) const { return folder_.Exists(relative); }

private:
    ScratchFolder folder_{"vrk"};
};

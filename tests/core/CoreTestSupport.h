#pragma once

#include "core/model/MenuStyle.h"
#include "core/site/ImportedTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the core tests share: a folder of the test's own, files read and written whole, and a
// style whose settings all differ.
namespace qv::test {

// The bytes of a file; empty when it cannot be read.
std::string ReadAll(const std::filesystem::path& path);
// Replaces a file's bytes.
void WriteAll(const std::filesystem::path& path, std::string_view bytes);

// An imported tree as text, one line per item: two spaces per level, the text, and " -> " and
// the link when it has one.
std::string Outline(const std::vector<ImportedItem>& items);

// A style in which every setting has a value of its own, so a value in the wrong place shows.
MenuStyle DistinctStyle();

// A test with a new folder of its own in the system's temporary folder. Afterwards no write fault
// stays installed, and the folder goes with everything in it, also what the test made read-only.
class FolderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A path in the folder.
    std::string PathOf(std::string_view name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

} // namespace qv::test

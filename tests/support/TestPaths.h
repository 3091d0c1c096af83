#pragma once
// Where tests find the repository's data and put their scratch files and
// the screenshots kept for review.
#include <gtest/gtest.h>

#include <string>

std::string sourcePath(const std::string& relative);      // under the repository
std::string scratchDir(const std::string& testName);      // fresh, empty folder per call
std::string testOutputPath(const std::string& fileName);  // kept output (screenshots)

// Whether `a` and `b` name one and the same file or folder. A checkout
// reached through a symbolic link puts the link in the paths the tests
// build, while whatever resolves a path (the system, a dialog) may give it
// without: two spellings of one folder, which this compares as one, and
// two folders, which it tells apart, naming both as they resolve.
::testing::AssertionResult sameFileOrFolder(const std::string& a, const std::string& b);

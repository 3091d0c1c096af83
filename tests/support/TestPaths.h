#pragma once
// Where tests find the repository's data and put their scratch files and
// the screenshots kept for review.
#include <string>

std::string sourcePath(const std::string& relative);      // under the repository
std::string scratchDir(const std::string& testName);      // fresh, empty folder per call
std::string testOutputPath(const std::string& fileName);  // kept output (screenshots)

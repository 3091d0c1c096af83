#pragma once
// A class without data or operations; the library keeps it, nothing in the
// program makes one.

class CNullShape {};

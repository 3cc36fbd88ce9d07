// Holds the test programs' precompiled headers (see tests/CMakeLists.txt); nothing of its own.

// The report engine (tests follow).
#include <gtest/gtest.h>

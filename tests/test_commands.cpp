// Cancellation and posting reversal (tests follow).
#include <gtest/gtest.h>

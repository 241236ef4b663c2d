#include <gtest/gtest.h>
int dummyDecode;

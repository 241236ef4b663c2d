#include <gtest/gtest.h>
int dummyErrors;

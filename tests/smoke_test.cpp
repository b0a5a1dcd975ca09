// The build compiles narrow literals to GBK, which every text of the program relies on.
#include <gtest/gtest.h>

#include <string>

TEST(Build, ChineseLiteralsAreGbkBytes) {
    const std::string name = "岚川天气助手";
    EXPECT_EQ(name, std::string("\xe1\xb0\xb4\xa8\xcc\xec\xc6\xf8\xd6\xfa\xca\xd6"));
}

#include "fixture_data.h"
#include "test_window.h"

#include <gtest/gtest.h>
#include <string_view>

int main(int argc, char** argv)
{
    // A desktop entry of the fixture starts this program as an application.
    if (argc == 3 && std::string_view(argv[1]) == "--test-client") {
        return norvane::testing::runTestClient(argv[2]);
    }
    norvane::testing::installFixtureData();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    norvane::testing::removeFixtureData();
    return result;
}

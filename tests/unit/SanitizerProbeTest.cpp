// Proof that the sanitizer build's checks are in force with the suite's own options: a leak and a
// signed overflow in this file's own functions must be reported. tests/lsan.supp may name only
// Mesa's libraries; a suppression grown broad enough to match our code hides the leak and fails
// here. LeakSanitizer runs inside AddressSanitizer, so its report proves both.
#include <climits>
#include <cstdlib>

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

#ifdef ROBOTSCENE_SANITIZE

char* volatile lastBuffer = nullptr; // keeps the compiler from dropping the allocation

__attribute__((noinline)) void leakProbeBuffer()
{
    lastBuffer = new char[4096];
    lastBuffer = nullptr; // the only reference is gone: the buffer is lost
}

__attribute__((noinline)) int overflowProbe(int value)
{
    return value + 1;
}

TEST(SanitizerProbeTest, OurOwnLeakAndOverflowAreReported)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto failed = [](int status) { return !WIFEXITED(status) || WEXITSTATUS(status) != 0; };
    EXPECT_EXIT(
        {
            leakProbeBuffer();
            std::exit(0); // the leak check runs at exit
        },
        failed, "LeakSanitizer: detected memory leaks.*Direct leak of 4096 byte.*leakProbeBuffer");
    volatile int largest = INT_MAX; // not folded away at compile time
    EXPECT_EXIT(std::exit(overflowProbe(largest)), failed, "runtime error: signed integer overflow.*");
}

#else

TEST(SanitizerProbeTest, OurOwnLeakAndOverflowAreReported)
{
    GTEST_SKIP() << "only the sanitizer build has sanitizers to prove";
}

#endif

} // namespace

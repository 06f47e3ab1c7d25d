#include <gtest/gtest.h>

#include "codec/kernels/kernel_request.h"

namespace veil::test {
namespace {

const std::vector<const char*> kAll = {"portable", "avx2", "bmi2"};

KernelRequest Parse(std::string_view text, std::vector<const char*> place = kAll,
                    std::vector<const char*> gather = kAll) {
  return ParseKernelRequest(text, place, gather);
}

TEST(KernelRequestTest, UnsetForcesNothing) {
  const KernelRequest request = Parse("");
  EXPECT_FALSE(request.place);
  EXPECT_FALSE(request.gather);
  EXPECT_EQ(request.problem, "");
}

TEST(KernelRequestTest, OneNameForcesBothOperations) {
  for (std::size_t i = 0; i < kAll.size(); ++i) {
    const KernelRequest request = Parse(kAll[i]);
    EXPECT_EQ(request.place, i);
    EXPECT_EQ(request.gather, i);
    EXPECT_EQ(request.problem, "");
  }
  // Each operation's own list: the index is the kernel's place in it.
  const KernelRequest request = Parse("bmi2", {"portable", "bmi2"}, {"portable", "avx2", "bmi2"});
  EXPECT_EQ(request.place, 1u);
  EXPECT_EQ(request.gather, 2u);
}

TEST(KernelRequestTest, EachOperationMayBeForcedOnItsOwn) {
  KernelRequest request = Parse("place:bmi2");
  EXPECT_EQ(request.place, 2u);
  EXPECT_FALSE(request.gather);
  request = Parse("gather:portable,place:avx2");
  EXPECT_EQ(request.place, 1u);
  EXPECT_EQ(request.gather, 0u);
  EXPECT_EQ(request.problem, "");
}

TEST(KernelRequestTest, AnUnknownNameIsAProblemAndForcesNothing) {
  for (const char* text : {"avx512", "AVX2", "place:sse", "place:avx2,gather:fast"}) {
    const KernelRequest request = Parse(text);
    EXPECT_FALSE(request.place) << text;
    EXPECT_FALSE(request.gather) << text;
  }
  EXPECT_EQ(Parse("avx512").problem,
            "VEILWRIGHT_KERNEL=\"avx512\": no kernel is named \"avx512\" (the kernels: portable, avx2, bmi2)");
  EXPECT_EQ(Parse("place:avx2,gather:fast").problem,
            "VEILWRIGHT_KERNEL=\"place:avx2,gather:fast\": no kernel is named \"fast\" (the kernels: portable, "
            "avx2, bmi2)");
}

TEST(KernelRequestTest, AKernelThisProcessorCannotRunIsAProblemAndForcesNothing) {
  KernelRequest request = Parse("avx2", {"portable", "bmi2"}, {"portable", "bmi2"});
  EXPECT_FALSE(request.place);
  EXPECT_FALSE(request.gather);
  EXPECT_EQ(request.problem, "VEILWRIGHT_KERNEL=\"avx2\": the avx2 kernel cannot run here (available: portable, bmi2)");
  request = Parse("place:portable,gather:bmi2", {"portable"}, {"portable"});
  EXPECT_FALSE(request.place) << "nothing is forced when any part is unusable";
  EXPECT_EQ(request.problem,
            "VEILWRIGHT_KERNEL=\"place:portable,gather:bmi2\": the bmi2 kernel cannot "
            "run here (available: portable)");
}

TEST(KernelRequestTest, AMalformedTextIsAProblem) {
  for (const char* text :
       {"place:", ":avx2", "place:avx2,", "place:avx2,place:bmi2", "store:avx2", "avx2,bmi2", "place:avx2:bmi2", ","}) {
    const KernelRequest request = Parse(text);
    EXPECT_FALSE(request.place) << text;
    EXPECT_FALSE(request.gather) << text;
    EXPECT_NE(request.problem.find("expected one kernel name, or place:NAME and gather:NAME"), std::string::npos)
        << text << ": " << request.problem;
  }
}

}  // namespace
}  // namespace veil::test

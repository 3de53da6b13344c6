// SPDX-License-Identifier: MIT
// Our GLU (the one the browser build draws with) against the system's, both
// over Mesa in one program: the sphere effect's quadrics read back in
// feedback mode must reach GL as the same polygons, in the same order, with
// the same normals (seen through the lit colour) and texture coordinates, and
// positions within a few float steps.
#include "../windows/quadric_feedback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

bool OurQuadricFeedback(std::vector<float> *vertices, std::string *why);

TEST(Glu, QuadricsReachGlAsTheSystemGlusDo) {
  std::vector<float> theirs, ours;
  std::string why;
  ASSERT_TRUE(QuadricFeedback(&theirs, &why)) << why;
  ASSERT_TRUE(OurQuadricFeedback(&ours, &why)) << why;
  ASSERT_EQ(ours.size(), theirs.size()) << "vertices: ours " << ours.size() / kFeedbackVertex << ", the system's "
                                        << theirs.size() / kFeedbackVertex;
  for (size_t i = 0; i < ours.size(); ++i) {
    const size_t vertex = i / kFeedbackVertex, field = i % kFeedbackVertex;
    const float a = ours[i], b = theirs[i];
    // Window positions: a few steps of a float of their size.
    const float slack = field < 4 ? 4 * FLT_EPSILON * std::max({1.0f, std::fabs(a), std::fabs(b)}) : 0.0f;
    ASSERT_LE(std::fabs(a - b), slack) << "vertex " << vertex << ", field " << field << " (0-3 position, 4-7 colour, "
                                       << "8-11 texture coordinates): ours " << a << ", the system's " << b;
  }
}

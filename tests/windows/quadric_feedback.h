// SPDX-License-Identifier: MIT
// The sphere effect's quadrics (gluSphere 1.3, 40 x 40; gluCylinder 2, 1, 3,
// 32 x 32; smooth normals, texture coordinates, one light) as GL receives
// them from GLU, read back in feedback mode: per vertex x, y, z, w, the lit
// colour and the texture coordinates. Built for both sides, so that the
// Windows system's GLU can be held against the Linux one; the drawing after
// GLU is the same Mesa on both.
#pragma once
#include <string>
#include <vector>

// Floats per feedback vertex: position 4, colour 4, texture coordinates 4.
constexpr size_t kFeedbackVertex = 12;

// The sphere's vertices, then the cylinder's, `kFeedbackVertex` floats each,
// from a GL context of its own; false with `why` set when none can be made.
bool QuadricFeedback(std::vector<float> *vertices, std::string *why);

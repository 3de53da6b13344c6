// SPDX-License-Identifier: MIT
// Forced into the build of our GLU for the comparison with the system's, so
// that both live in one program: ours answers to these names.
#pragma once
#define gluNewQuadric OurGluNewQuadric
#define gluDeleteQuadric OurGluDeleteQuadric
#define gluQuadricNormals OurGluQuadricNormals
#define gluQuadricTexture OurGluQuadricTexture
#define gluSphere OurGluSphere
#define gluCylinder OurGluCylinder
#define gluPerspective OurGluPerspective
#define QuadricFeedback OurQuadricFeedback

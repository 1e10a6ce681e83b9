// The composite values that archives read and write as runs of whitespace-separated numbers.
#pragma once

#include <cstdint>

namespace Cobalt {

// Fields are stored per axis (left, right, top, bottom) but written as left top right bottom.
struct Rect {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
};

// Same layout and text order as Rect.
struct RectF {
    float left = 0.0f;
    float right = 0.0f;
    float top = 0.0f;
    float bottom = 0.0f;
};

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Vector3d {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

struct Vector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;
};

} // namespace Cobalt

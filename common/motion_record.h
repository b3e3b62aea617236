// Records the engine hands to the views and takes from the profile.
#pragma once

#include <cstdint>

// Sent by address with UM_MOTION_INFO; the views copy what they need during the call.
struct MotionRecord {
    int32_t nStepCount;
    double dCalories;
    double dDistance;
};

// The user's body values: weight in kilograms, then height in centimetres.
struct UserBody {
    double dWeight;
    double dHeight;
};

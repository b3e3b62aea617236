// The step detector: plain functions over module-level state (one detector per process).
// Fed one acceleration sample at a time with the interval since the previous one; keeps the
// running step count, distance and calories.
#pragma once

#include <cstdint>

#include "common/motion_record.h"

struct AccelSample {
    double x;
    double y;
    double z;
};

struct StepInfo {
    int32_t nStepCount;
    double dDistance;
    double dCalories;
};

void InitStepDetector();
void ProcessSample(const AccelSample* sample, uint16_t intervalMs);
void GetStepInfo(StepInfo* info);
void SetStepInfo(const StepInfo* info);
void RequestRestart();
void SetUserBody(const UserBody* body);

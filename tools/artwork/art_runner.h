// The running figure: nine phases of one stride (two steps) and a resting pose, built from joint
// positions and drawn as thick round strokes.
#pragma once

#include <cairo.h>

#include "tools/artwork/art_canvas.h"

#define RUNNER_FRAME_COUNT 9
#define RUNNER_FRAME_WIDTH 106
#define RUNNER_FRAME_HEIGHT 150

struct RunnerPoint {
    double x = 0;
    double y = 0;
};

// Joints of one pose in frame coordinates (106 x 150, facing right, ground near the bottom).
// "Near" limbs are on the viewer's side and drawn last.
struct RunnerPose {
    RunnerPoint head;
    RunnerPoint neck;
    RunnerPoint hip;
    RunnerPoint knee[2];  // 0 far, 1 near
    RunnerPoint ankle[2];
    RunnerPoint toe[2];
    RunnerPoint elbow[2];
    RunnerPoint hand[2];
    double headRadius = 0;
};

struct RunnerLook {
    ArtColor nearTop;              // body gradient, head end
    ArtColor nearBottom;           // body gradient, feet end
    ArtColor far;                  // limbs on the far side
    ArtColor glow;                 // ground glow under the feet (alpha 0: none)
    ArtColor outline{0, 0, 0, 0};  // dark edge around the near arm (alpha 0: none)
    bool speedLines = false;
};

// Pose of frame 0..8 of the stride; frame 0 has one leg in mid-stance (the resting frame).
RunnerPose RunnerStridePose(int frame);
// Standing still, arms relaxed.
RunnerPose RunnerRestingPose();

RunnerLook RunnerActiveLook();
RunnerLook RunnerRestingLook();

// Draws a pose with its frame's top-left at the current origin; scale 1 fills 106 x 150.
void DrawRunnerPose(cairo_t* cr, const RunnerPose& pose, const RunnerLook& look);

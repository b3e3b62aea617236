#include "tools/artwork/art_runner.h"

#include <algorithm>
#include <cmath>

namespace {

// Segment lengths and stroke widths in frame pixels.
constexpr double kThigh = 33;
constexpr double kShin = 32;
constexpr double kFoot = 11;
constexpr double kTorso = 38;
constexpr double kNeck = 4;
constexpr double kHeadRadius = 10.5;
constexpr double kUpperArm = 22;
constexpr double kForearm = 20;
constexpr double kTorsoWidth = 15;
constexpr double kThighWidth = 12;
constexpr double kShinWidth = 9.5;
constexpr double kFootWidth = 6.5;
constexpr double kUpperArmWidth = 8.5;
constexpr double kForearmWidth = 7;
constexpr double kGroundY = 143;
// The stride's reach (hand in front to trailing toe) is centred on the frame, and the pose is
// shrunk a little so that it spans at most about 90 of the frame's 106 pixels.
constexpr double kHipX = 55;
constexpr double kPoseScale = 0.95;

double Rad(double degrees) {
    return degrees * M_PI / 180.0;
}

// Point at distance len from p, along an angle measured from straight down, positive forward.
RunnerPoint Along(const RunnerPoint& p, double len, double degreesFromDown) {
    RunnerPoint q;
    q.x = p.x + len * std::sin(Rad(degreesFromDown));
    q.y = p.y + len * std::cos(Rad(degreesFromDown));
    return q;
}

struct LimbAngles {
    double thigh[2];     // from straight down, forward positive
    double kneeFlex[2];  // shin bends back by this much
    double upperArm[2];
    double elbowFlex[2];  // forearm bends forward by this much
    double lean;          // torso lean forward
    double lift;          // extra height in the flight phases
};

// Builds the joints with the hip at the origin, then moves the figure so that its lowest sole
// touches the ground (less the flight lift) and the hip stands at the frame's centre line.
RunnerPose BuildPose(const LimbAngles& a) {
    RunnerPose pose;
    pose.headRadius = kHeadRadius;
    RunnerPoint hip;
    for (int side = 0; side < 2; ++side) {
        pose.knee[side] = Along(hip, kThigh, a.thigh[side]);
        const double shin = a.thigh[side] - a.kneeFlex[side];
        pose.ankle[side] = Along(pose.knee[side], kShin, shin);
        // The foot points forward, square to the shin, tipped down a little when the leg trails.
        const double trail = std::max(0.0, -shin - 20.0) * 0.6;
        pose.toe[side] = Along(pose.ankle[side], kFoot, shin + 90.0 - trail);
    }
    RunnerPoint shoulder;
    shoulder.x = hip.x + kTorso * std::sin(Rad(a.lean));
    shoulder.y = hip.y - kTorso * std::cos(Rad(a.lean));
    pose.neck = shoulder;
    pose.head.x = shoulder.x + (kNeck + kHeadRadius) * std::sin(Rad(a.lean + 6));
    pose.head.y = shoulder.y - (kNeck + kHeadRadius) * std::cos(Rad(a.lean + 6));
    for (int side = 0; side < 2; ++side) {
        RunnerPoint armRoot = shoulder;
        armRoot.y += 4;
        pose.elbow[side] = Along(armRoot, kUpperArm, a.upperArm[side]);
        pose.hand[side] = Along(pose.elbow[side], kForearm, a.upperArm[side] + a.elbowFlex[side]);
    }
    RunnerPoint* all[] = {&pose.head,     &pose.neck,     &pose.hip,    &pose.knee[0], &pose.knee[1],
                          &pose.ankle[0], &pose.ankle[1], &pose.toe[0], &pose.toe[1],  &pose.elbow[0],
                          &pose.elbow[1], &pose.hand[0],  &pose.hand[1]};
    double lowest = -1e9;
    for (RunnerPoint* p : all) {
        p->x *= kPoseScale;
        p->y *= kPoseScale;
    }
    for (int side = 0; side < 2; ++side) {
        lowest = std::max({lowest, pose.ankle[side].y, pose.toe[side].y});
    }
    const double dy = kGroundY - kFootWidth / 2 - lowest - a.lift;
    for (RunnerPoint* p : all) {
        p->x += kHipX;
        p->y += dy;
    }
    return pose;
}

void Segment(cairo_t* cr, const RunnerPoint& a, const RunnerPoint& b, double width) {
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, a.x, a.y);
    cairo_line_to(cr, b.x, b.y);
    cairo_stroke(cr);
}

void SetBodySource(cairo_t* cr, const RunnerLook& look) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, kGroundY);
    cairo_pattern_add_color_stop_rgba(gradient, 0, look.nearTop.r, look.nearTop.g, look.nearTop.b,
                                      look.nearTop.a);
    cairo_pattern_add_color_stop_rgba(gradient, 1, look.nearBottom.r, look.nearBottom.g, look.nearBottom.b,
                                      look.nearBottom.a);
    cairo_set_source(cr, gradient);
    cairo_pattern_destroy(gradient);
}

// extra widens every stroke: drawn first in a dark colour, it outlines the limb so that a near
// limb stays distinct where it crosses the body.
void Leg(cairo_t* cr, const RunnerPose& p, int side, double extra = 0) {
    Segment(cr, p.hip, p.knee[side], kThighWidth + extra);
    Segment(cr, p.knee[side], p.ankle[side], kShinWidth + extra);
    Segment(cr, p.ankle[side], p.toe[side], kFootWidth + extra);
}

void Arm(cairo_t* cr, const RunnerPose& p, int side, double extra = 0) {
    RunnerPoint root = p.neck;
    root.y += 4;
    Segment(cr, root, p.elbow[side], kUpperArmWidth + extra);
    Segment(cr, p.elbow[side], p.hand[side], kForearmWidth + extra);
}

}  // namespace

RunnerPose RunnerStridePose(int frame) {
    // One stride is a full cycle: the near leg swings through while the far leg is planted, then
    // the other way round. Angles follow a smooth running gait (hip swing about +45/-25 degrees,
    // knee tucked during the swing, nearly straight at landing).
    const double t = (frame % RUNNER_FRAME_COUNT) / static_cast<double>(RUNNER_FRAME_COUNT);
    LimbAngles a{};
    for (int side = 0; side < 2; ++side) {
        const double phase = 2 * M_PI * (t + (side == 0 ? 0.5 : 0.0));
        a.thigh[side] = 9 + 31 * std::sin(phase);
        a.kneeFlex[side] = 52.5 + 37.5 * std::cos(phase) - 7.5 * std::sin(phase) + 20 * std::cos(2 * phase);
        // Arms swing against the leg of the same side.
        a.upperArm[side] = -8 - 44 * std::sin(phase);
        a.elbowFlex[side] = 88 + 18 * std::sin(phase);
    }
    a.lean = 11;
    // Flight between one toe-off and the next landing, twice per stride.
    const double flight = std::cos(4 * M_PI * (t - 0.25));
    a.lift = flight > 0 ? 5 * std::pow(flight, 3) : 0;
    return BuildPose(a);
}

RunnerPose RunnerRestingPose() {
    // A relaxed "ready" stance: knees soft, feet a little apart, elbows bent.
    LimbAngles a{};
    a.thigh[0] = -9;
    a.thigh[1] = 14;
    a.kneeFlex[0] = 10;
    a.kneeFlex[1] = 24;
    a.upperArm[0] = 14;
    a.upperArm[1] = -16;
    a.elbowFlex[0] = 60;
    a.elbowFlex[1] = 84;
    a.lean = 4;
    a.lift = 0;
    return BuildPose(a);
}

RunnerLook RunnerActiveLook() {
    RunnerLook look;
    look.nearTop = ArtRgb(0xFFFFFF);
    look.nearBottom = ArtRgb(0x9FE3FA);
    look.far = ArtRgb(0x2C8DB5);
    look.glow = ArtRgb(ArtPalette::kAccent, 0.45);
    look.outline = ArtRgb(0x0C1A26);
    look.speedLines = true;
    return look;
}

RunnerLook RunnerRestingLook() {
    RunnerLook look;
    look.nearTop = ArtRgb(0x8A96A3);
    look.nearBottom = ArtRgb(0x5F6B78);
    look.far = ArtRgb(0x46515D);
    look.glow = ArtRgb(0x8A96A3, 0.22);
    look.outline = ArtRgb(0x10161C);
    look.speedLines = false;
    return look;
}

void DrawRunnerPose(cairo_t* cr, const RunnerPose& pose, const RunnerLook& look) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);

    if (look.glow.a > 0) {
        // A soft oval on the ground under the hip.
        cairo_save(cr);
        cairo_translate(cr, kHipX, kGroundY + 1);
        cairo_scale(cr, 1.0, 0.16);
        cairo_pattern_t* glow = cairo_pattern_create_radial(0, 0, 0, 0, 0, 34);
        cairo_pattern_add_color_stop_rgba(glow, 0, look.glow.r, look.glow.g, look.glow.b, look.glow.a);
        cairo_pattern_add_color_stop_rgba(glow, 1, look.glow.r, look.glow.g, look.glow.b, 0);
        cairo_set_source(cr, glow);
        cairo_arc(cr, 0, 0, 34, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
        cairo_restore(cr);
    }

    if (look.speedLines) {
        // Three short strokes trailing behind the back.
        const double rows[] = {pose.neck.y + 14, pose.neck.y + 26, pose.hip.y + 2};
        const double lengths[] = {14, 20, 12};
        for (int i = 0; i < 3; ++i) {
            const double right = std::min(pose.hip.x, pose.neck.x) - 16 - i * 2;
            cairo_pattern_t* fade = cairo_pattern_create_linear(right - lengths[i], 0, right, 0);
            cairo_pattern_add_color_stop_rgba(fade, 0, look.far.r, look.far.g, look.far.b, 0);
            cairo_pattern_add_color_stop_rgba(fade, 1, look.far.r, look.far.g, look.far.b, 0.9);
            cairo_set_source(cr, fade);
            cairo_set_line_width(cr, 2.5);
            cairo_move_to(cr, right - lengths[i], rows[i]);
            cairo_line_to(cr, right, rows[i]);
            cairo_stroke(cr);
            cairo_pattern_destroy(fade);
        }
    }

    ArtSetColor(cr, look.far);
    Arm(cr, pose, 0);
    Leg(cr, pose, 0);

    SetBodySource(cr, look);
    Segment(cr, pose.hip, pose.neck, kTorsoWidth);
    cairo_arc(cr, pose.head.x, pose.head.y, pose.headRadius, 0, 2 * M_PI);
    cairo_fill(cr);
    Leg(cr, pose, 1);
    if (look.outline.a > 0) {
        ArtSetColor(cr, look.outline);
        Arm(cr, pose, 1, 3);
        SetBodySource(cr, look);
    }
    Arm(cr, pose, 1);
    cairo_restore(cr);
}

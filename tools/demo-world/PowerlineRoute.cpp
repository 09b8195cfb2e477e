#include "PowerlineRoute.h"

#include "PylonBlocks.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

const double SpanTarget = 275.0;
const int PointsPerSpan = 24;
const double StringLength = 1.8;

// The viewer reads every real of the pylon list through a 32-bit float; positions written as
// such floats are read back exactly, so the wires meet the insulators.
double roundToFloat(double v)
{
    // Through memory: the optimizer was seen to keep the double and skip the rounding.
    volatile float rounded = static_cast<float>(v);
    return rounded;
}

// Block-frame hanging points of the conductors: the cross-arm tips (the left arms are turned half
// round) and the earth-wire peak.
osg::Vec3d hangingPoint(int k)
{
    switch (k) {
    case 0: return osg::Vec3d(PylonBlocks::LongArm, 0.0, 20.0 - PylonBlocks::ArmTipDrop);
    case 1: return osg::Vec3d(-PylonBlocks::LongArm, 0.0, 20.0 - PylonBlocks::ArmTipDrop);
    case 2: return osg::Vec3d(-PylonBlocks::ShortArm, 0.0, 24.5 - PylonBlocks::ArmTipDrop);
    default: return osg::Vec3d(0.0, 0.0, PylonBlocks::BodyPeak);
    }
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...)
{
    char buffer[512];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(buffer, sizeof(buffer), pattern, arguments);
    va_end(arguments);
    return buffer;
}

} // namespace

PowerlineRoute::PowerlineRoute(const CoastHeightField& field, const std::vector<osg::Vec2d>& route,
                               const osg::Vec3d& offset)
    : field(field), offset(offset)
{
    std::vector<osg::Vec2d> points;
    for (std::size_t leg = 0; leg + 1 < route.size(); ++leg) {
        const osg::Vec2d a = route[leg], b = route[leg + 1];
        const int spans = std::max(1, static_cast<int>(std::ceil((b - a).length() / SpanTarget)));
        for (int s = 0; s < spans; ++s)
            points.push_back(a + (b - a) * (static_cast<double>(s) / spans));
    }
    points.push_back(route.back());

    for (std::size_t i = 0; i < points.size(); ++i) {
        osg::Vec2d in = i > 0 ? points[i] - points[i - 1] : points[i + 1] - points[i];
        osg::Vec2d out = i + 1 < points.size() ? points[i + 1] - points[i] : in;
        in.normalize();
        out.normalize();
        osg::Vec2d along = in + out;
        along.normalize();
        // Arms across the line; the tower's x axis turned by -heading is (cos h, -sin h).
        const osg::Vec2d arm(along.y(), -along.x());
        const double heading = std::atan2(-arm.y(), arm.x()) * 200.0 / osg::PI;
        const double turn = in.x() * out.y() - in.y() * out.x();

        Pylon pylon;
        pylon.number = static_cast<int>(i) + 1;
        const double ground = field.height(points[i].x(), points[i].y());
        pylon.geo.set(roundToFloat(points[i].x() + offset.x()), roundToFloat(points[i].y() + offset.y()),
                      roundToFloat(ground + offset.z()));
        pylon.scene = pylon.geo - offset;
        pylon.headingGon = roundToFloat(std::fmod(heading + 400.0, 400.0));
        double lowest = ground;
        for (int k = 0; k < 4; ++k) {
            const double cx = (k & 1 ? 3.0 : -3.0), cy = (k & 2 ? 3.0 : -3.0);
            lowest = std::min(lowest, field.height(pylon.scene.x() + cx, pylon.scene.y() + cy));
        }
        pylon.footingDrop = roundToFloat(ground - lowest + 0.2);
        pylon.swing = std::fabs(turn) > 1e-3 ? (turn > 0.0 ? -0.35 : 0.35) : 0.0;
        pylons_.push_back(pylon);
    }
}

osg::Vec3d PowerlineRoute::attachment(const Pylon& pylon, int k) const
{
    osg::Vec3d local = hangingPoint(k);
    if (k < 3)
        local += osg::Vec3d(pylon.swing, 0.0, -StringLength);
    local.z() -= pylon.footingDrop;
    const double h = pylon.headingGon * osg::PI / 200.0;
    // Turned clockwise by the heading, as the viewer's placement does, then moved to the pylon.
    return pylon.scene + osg::Vec3d(local.x() * std::cos(h) + local.y() * std::sin(h),
                                    -local.x() * std::sin(h) + local.y() * std::cos(h), local.z());
}

std::vector<osg::Vec3d> PowerlineRoute::wire(int k) const
{
    // Conductors at 1700 m catenary parameter (horizontal tension over weight per metre), the
    // lighter, tauter earth wire at 2100 m.
    const double a = k < 3 ? 1700.0 : 2100.0;
    std::vector<osg::Vec3d> points;
    for (std::size_t i = 0; i + 1 < pylons_.size(); ++i) {
        const osg::Vec3d p = attachment(pylons_[i], k), q = attachment(pylons_[i + 1], k);
        const osg::Vec2d horizontal(q.x() - p.x(), q.y() - p.y());
        const double span = horizontal.length(), rise = q.z() - p.z();
        // z(s) = a cosh((s - s0) / a) + c through (0, p.z) and (span, q.z).
        const double s0 = span / 2.0 - a * std::asinh(rise / (2.0 * a * std::sinh(span / (2.0 * a))));
        const double c = p.z() - a * std::cosh(-s0 / a);
        for (int n = (i == 0 ? 0 : 1); n <= PointsPerSpan; ++n) {
            const double t = static_cast<double>(n) / PointsPerSpan, s = t * span;
            points.push_back(osg::Vec3d(p.x() + horizontal.x() * t, p.y() + horizontal.y() * t,
                                        n == PointsPerSpan ? q.z() : a * std::cosh((s - s0) / a) + c));
        }
    }
    return points;
}

std::string PowerlineRoute::pylonList() const
{
    std::string text;
    for (const Pylon& pylon : pylons_) {
        const int n = pylon.number;
        text += format("%d,Stolpkropp,%.4f,%.4f,%.4f,%.4f,0,0,0,0,%.4f,0,0,0\n", n, pylon.geo.x(), pylon.geo.y(),
                       pylon.geo.z(), pylon.headingGon, -pylon.footingDrop);
        text += format("%d,Traversarm,0,0,20,0,0,0,0,0,0,0,0,0\n", n);
        text += format("%d,Traversarm,0,0,20,200,0,0,0,0,0,0,0,0\n", n);
        text += format("%d,Traversarm_kort,0,0,24.5,200,0,0,0,0,0,0,0,0\n", n);
        for (int k = 0; k < 3; ++k) {
            const osg::Vec3d p = hangingPoint(k);
            text += format("%d,Isolatorkedja,%.3f,%.3f,%.3f,0,0,0,0,0,0,%.3f,%.3f,%.3f\n", n, p.x(), p.y(), p.z(),
                           p.x() + pylon.swing, p.y(), p.z() - StringLength);
        }
    }
    return text;
}

const char* PowerlineRoute::wireName(int k)
{
    static const char* const names[] = {"Lft_L1.txt", "Lft_L2.txt", "Lft_L3.txt", "Lft_Topplina.txt"};
    return names[k];
}

std::string PowerlineRoute::wireFile(int k) const
{
    std::string text;
    for (const osg::Vec3d& p : wire(k))
        text += format("%.3f,%.3f,%.3f\n", p.y() + offset.y(), p.x() + offset.x(), p.z() + offset.z());
    return text;
}

double PowerlineRoute::lowestClearance() const
{
    double lowest = 1e30;
    for (int k = 0; k < 3; ++k)
        for (const osg::Vec3d& p : wire(k))
            lowest = std::min(lowest, p.z() - std::max(0.0, field.height(p.x(), p.y())));
    return lowest;
}

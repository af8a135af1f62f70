// glimmerkin-sim: the scene without a window, for traces and rendered frames.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "animation/scene_plan.h"
#include "tools/sim/png_writer.h"
#include "tools/sim/render.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/trace.h"

namespace {

constexpr int kUsageError = 2;

int UsageError(const std::string& message) {
  std::string line = message;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  std::fprintf(stderr, "glimmerkin-sim: %s\n", line.c_str());
  return kUsageError;
}

struct CommonArgs {
  std::string seed;
  std::string size;
  std::string ticks;
  std::string aliens = "9";
};

void AddCommon(CLI::App& command, CommonArgs& args) {
  command.add_option("--seed", args.seed, "generator seed, unsigned 32-bit decimal")->required();
  command.add_option("--size", args.size, "stage size WIDTHxHEIGHT")->required();
  command.add_option("--ticks", args.ticks, "ticks to run after creation")->required();
  command.add_option("--aliens", args.aliens, "number of aliens placed at start (default 9)");
}

bool ReadCommon(const CommonArgs& args, glimmerkin::TraceOptions& out, std::string& error) {
  const auto seed = glimmerkin::ParseUnsigned32(args.seed);
  if (!seed) {
    error = "--seed must be an unsigned 32-bit decimal number";
    return false;
  }
  const auto size = glimmerkin::ParseStageSize(args.size, &error);
  if (!size) {
    error = "--size: " + error;
    return false;
  }
  const auto ticks = glimmerkin::ParseUnsigned32(args.ticks);
  if (!ticks) {
    error = "--ticks must be a decimal number, 0 or more";
    return false;
  }
  const auto aliens = glimmerkin::ParseSigned32(args.aliens);
  if (!aliens) {
    error = "--aliens must be a signed 32-bit decimal number";
    return false;
  }
  out.seed = *seed;
  out.width = size->width;
  out.height = size->height;
  out.ticks = *ticks;
  out.aliens = *aliens;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Glimmerkin scene simulator"};
  app.set_version_flag("--version", std::string("glimmerkin-sim ") + GLIMMERKIN_VERSION);
  app.require_subcommand(1);
  std::string pixelSizeText = "1";

  CommonArgs traceArgs;
  CLI::App* trace = app.add_subcommand("trace", "print the scene tick by tick");
  AddCommon(*trace, traceArgs);

  CommonArgs renderArgs;
  std::string renderOut;
  CLI::App* render = app.add_subcommand("render", "write the frame after tick N as a PNG file");
  AddCommon(*render, renderArgs);
  render->add_option("--out", renderOut, "PNG file to write")->required();
  render->add_option("--pixel-size", pixelSizeText,
                     "1 to 4: the scene runs on a stage that much smaller, enlarged by whole pixels");

  CommonArgs framesArgs;
  std::string framesCount;
  std::string framesDir;
  CLI::App* frames =
      app.add_subcommand("frames", "write the frames after ticks N, N+1, ... as numbered PNG files");
  AddCommon(*frames, framesArgs);
  frames->add_option("--count", framesCount, "number of frames")->required();
  frames->add_option("--outdir", framesDir, "existing folder for frame-NNNNN.png files")->required();
  frames->add_option("--pixel-size", pixelSizeText,
                     "1 to 4: the scene runs on a stage that much smaller, enlarged by whole pixels");
  bool outlineDamage = false;
  frames->add_flag("--outline-damage", outlineDamage,
                   "outline the rectangles each frame changed and print their count and area");

  std::string contactOut;
  std::string contactScale = "3";
  CLI::App* contact = app.add_subcommand(
      "contact-sheet", "every sheet cell over the ground, enlarged and labelled, as a PNG file");
  contact->add_option("--out", contactOut, "PNG file to write")->required();
  contact->add_option("--scale", contactScale, "enlargement, 1 to 4 (default 3)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return UsageError(e.what());
  }

  std::string error;
  glimmerkin::TraceOptions options;
  if (trace->parsed()) {
    if (!ReadCommon(traceArgs, options, error)) return UsageError(error);
    std::ios::sync_with_stdio(false);
    glimmerkin::WriteTrace(options, std::cout);
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  if (render->parsed() || frames->parsed()) {
    const bool single = render->parsed();
    if (!ReadCommon(single ? renderArgs : framesArgs, options, error)) return UsageError(error);
    uint32_t count = 1;
    if (!single) {
      const auto n = glimmerkin::ParseUnsigned32(framesCount);
      if (!n || *n == 0 || *n > 100000) return UsageError("--count must be 1 to 100000");
      count = *n;
    }
    const auto pixelSize = glimmerkin::ParseSigned32(pixelSizeText);
    if (!pixelSize || *pixelSize < 1 || *pixelSize > glimmerkin::kMaxPixelSize)
      return UsageError("--pixel-size must be 1 to 4");
    std::vector<uint32_t> outlined;
    const auto write = [&](const glimmerkin::RenderedFrame& frame) {
      const uint32_t* pixels = frame.pixels;
      if (outlineDamage) {
        // On a copy: the picture itself is the next frame's starting point.
        outlined.assign(frame.pixels,
                        frame.pixels + static_cast<size_t>(frame.width) * frame.height);
        int64_t area = 0;
        for (const glimmerkin::Rect& r : frame.changed) {
          area += r.Area();
          glimmerkin::OutlineRect(outlined.data(), frame.width, frame.height, r, 0xFF00FFu);
        }
        const double share = 100.0 * static_cast<double>(area) /
                             (static_cast<double>(frame.width) * frame.height);
        std::printf("tick %u: %zu rectangles, %lld pixels (%.2f %% of the picture)\n", frame.tick,
                    frame.changed.size(), static_cast<long long>(area), share);
        pixels = outlined.data();
      }
      std::string path = renderOut;
      if (!single) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%05u.png", frame.tick - options.ticks);
        path = framesDir + name;
      }
      if (!glimmerkin::WritePng(path, pixels, frame.width, frame.height, frame.width, &error)) {
        error = path + ": " + error;
        return false;
      }
      return true;
    };
    if (!glimmerkin::RenderTicks(options, *pixelSize, options.ticks, count, write, &error)) {
      std::fprintf(stderr, "glimmerkin-sim: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (contact->parsed()) {
    const auto scale = glimmerkin::ParseSigned32(contactScale);
    if (!scale || *scale < 1 || *scale > 4) return UsageError("--scale must be 1 to 4");
    std::vector<uint32_t> pixels;
    int32_t width = 0, height = 0;
    if (!glimmerkin::RenderContactSheet(*scale, pixels, width, height, &error) ||
        !glimmerkin::WritePng(contactOut, pixels.data(), width, height, width, &error)) {
      std::fprintf(stderr, "glimmerkin-sim: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  return UsageError("unknown command");
}

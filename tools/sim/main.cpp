// glimmerkin-sim: the scene without a window, for traces and rendered frames.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

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
  app.require_subcommand(1);

  CommonArgs traceArgs;
  CLI::App* trace = app.add_subcommand("trace", "print the scene tick by tick");
  AddCommon(*trace, traceArgs);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
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
  return UsageError("unknown command");
}

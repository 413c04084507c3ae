#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

// The one random generator of the program. Everything that draws at random
// (the order of the question bank above all) draws from it, so that a test
// can seed it and get the same draws every time. Used from the user-interface
// thread only; it is not guarded.
namespace trv {

std::mt19937& RandomEngine();

// Seeds the engine with a fixed value.
void SeedRandom(std::uint32_t seed);

// Seeds the engine from the clock, as the game does before each game.
void ReseedRandomFromClock();

// Fixes the draws for a whole run (TRIVION_SEED): seeds the engine with
// `seed`, and every later reseed from the clock takes the next number of a
// sequence that starts there instead, so that a run plays the same games
// every time.
void FixRandomSeed(std::uint32_t seed);

// A uniform draw from 0..count-1; count must be at least 1.
std::size_t RandomIndex(std::size_t count);

}  // namespace trv

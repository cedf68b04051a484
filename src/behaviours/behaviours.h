// The pet's behaviours: procedures without arguments that run a fixed script
// of frames, pauses and moves to its end.
#pragma once

// walking.cpp
void WalkRight();
void WalkLeft();
void HappyJump();

// airborne.cpp
void FallingEntrance();
void AirTwistRight();
void AirTwistLeft();

// sliding.cpp
void SlideRight();
void SlideLeft();
void TwistRight();
void TwistLeft();
void FallOverRight();
void FallOverLeft();

// in_place.cpp
void SleepingRight();
void SleepingLeft();
void Freeze();
void SneezeRight();
void SneezeLeft();
void ShoutRight();
void ShoutLeft();
void Idle();

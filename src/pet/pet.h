// The pet core: its globals, the sprite sheets, the ground line and the quit
// check, start-up and the main loop.
#pragma once

#include <cstdint>

#include "window.h"

// --- Globals ----------------------------------------------------------------
extern int32_t DesktopWidth;
extern int32_t DesktopHeight;
extern int32_t PetX;  // the window's corner as last read by GetWindowPosition
extern int32_t PetY;
extern Surface* CurrentSheet;   // the running behaviour's sheet, or null
extern Surface* StandardSheet;  // the "standard" sheet, from start-up to exit

// --- Sprite sheets ------------------------------------------------------------
// index -> ARGB colour for indices 1 to 24 (entry 0 unused).
extern const uint32_t Palette[25];
// Builds the named sheet (frames x 35 by 35 pixels), mirrored left-right when
// asked, into CurrentSheet; CurrentSheet is null when the surface cannot be
// made. Does not free what CurrentSheet held.
void LoadSheet(int32_t frames, const char* name, bool mirrored);
// Builds StandardSheet from the "standard" sheet.
void BuildStandardSheet();
// Shows frame k (from 1) of sheet in the window; a null sheet shows nothing.
void ShowFrame(const Surface* sheet, int32_t k);
// Frees CurrentSheet (or StandardSheet) and leaves it null.
void FreeSheet(Surface*& sheet);
// "Show k for p": frame k of CurrentSheet, then a pause of p milliseconds.
void Show(int32_t k, int32_t ms);

// --- Ground line and quit check ---------------------------------------------
// Distance from the bottom of the desktop up to the window's top when the pet
// stands on the ground line; asks the desktop on every call.
int32_t GroundOffset();
// DesktopHeight - GroundOffset(): the window-top y of the ground line.
int32_t GroundY();
// Returns when no Escape is waiting; otherwise shows the farewell frame for
// two seconds and ends the program.
void QuitCheck();

// --- Chance -------------------------------------------------------------------
// A uniform integer from 1 to n.
int32_t RandomInt(int32_t n);
// v rounded to the nearest whole number, halves to even.
int32_t Nearest(double v);

// --- Start-up and the main loop ---------------------------------------------
struct Action {
    int32_t from;
    int32_t to;
    const char* name;
    void (*run)();
};
extern const Action ActionTable[19];
// The behaviour whose range holds r (1 to 400).
const Action& ActionFor(int32_t r);

// The window part of start-up: opens the pet window (35 x 35, shaped, no
// switch to full screen), fills it with MaskColour, titles it "Pomfy" and
// takes it out of the taskbar. Returns OpenPetWindow's status; the calls
// after the opening are made only when the window opened.
int32_t SetUpPetWindow();
void StartUp();
// Runs behaviours until Escape, then frees StandardSheet and ends the program.
[[noreturn]] void MainLoop();
// The whole program.
[[noreturn]] void PetMain();

// --- Observation --------------------------------------------------------------
// Tools that trace or preview the pet set these; in the pet they stay null.
struct PetHooks {
    void (*behaviour)(const char* name) = nullptr;  // a behaviour procedure starts
    // a sheet was built (sheet may be null when the surface could not be made)
    void (*sheet)(const Surface* sheet, const char* name, bool mirrored) = nullptr;
    void (*frame)(const Surface* sheet, int32_t k) = nullptr;  // ShowFrame of a sheet
    void (*pass)() = nullptr;  // a pass of the main loop ended, after its key poll
};
extern PetHooks Hooks;
// Called first thing by every behaviour procedure.
void BehaviourStarts(const char* name);
// Called by the main loop at the end of every pass.
void PassEnds();

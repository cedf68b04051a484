// Start-up and the main loop: the window is opened and dressed, the pet greets
// and falls onto the ground line, naps one start in three, and then runs one
// behaviour after another, drawn from a weighted table, until Escape.
#include <cstdint>

#include "behaviours.h"
#include "pet.h"

// Which behaviour a draw r = RandomInt(400) runs. The ranges cover 1 to 400
// without a gap; the width of a range is the behaviour's weight.
const Action ActionTable[19] = {
    //from  to   name             behaviour
    {  1,   5, "SlideLeft",     SlideLeft},
    {  6,  10, "SlideRight",    SlideRight},
    { 11,  15, "TwistLeft",     TwistLeft},
    { 16,  20, "TwistRight",    TwistRight},
    { 21,  30, "HappyJump",     HappyJump},
    { 31,  40, "FallOverLeft",  FallOverLeft},
    { 41,  50, "FallOverRight", FallOverRight},
    { 51,  65, "Freeze",        Freeze},
    { 66,  80, "SneezeLeft",    SneezeLeft},
    { 81,  95, "SneezeRight",   SneezeRight},
    { 96, 115, "ShoutLeft",     ShoutLeft},
    {116, 135, "ShoutRight",    ShoutRight},
    {136, 155, "SleepingLeft",  SleepingLeft},
    {156, 175, "SleepingRight", SleepingRight},
    {176, 250, "WalkLeft",      WalkLeft},
    {251, 325, "WalkRight",     WalkRight},
    {326, 390, "Idle",          Idle},
    {391, 395, "AirTwistRight", AirTwistRight},
    {396, 400, "AirTwistLeft",  AirTwistLeft},
};

const Action& ActionFor(int32_t r) {
    for (const Action& action : ActionTable) {
        if (r >= action.from && r <= action.to) {
            return action;
        }
    }
    // Not a draw of RandomInt(400): the nearest end of the table.
    return r < 1 ? ActionTable[0] : ActionTable[18];
}

void BehaviourStarts(const char* name) {
    if (Hooks.behaviour) {
        Hooks.behaviour(name);
    }
}

void PassEnds() {
    if (Hooks.pass) {
        Hooks.pass();
    }
}

int32_t SetUpPetWindow() {
    const int32_t status = OpenPetWindow(35, 35);
    if (status != 0) return status;
    SetColours(MaskColour, MaskColour);
    ClearScreen();
    SetWindowTitle("Pomfy");
    RemoveFromTaskbar("Pomfy");
    return 0;
}

void StartUp() {
    GetDesktopSize(DesktopWidth, DesktopHeight);
    if (SetUpPetWindow() != 0) {
        // A pet nobody can see could never be told to stop: the window layer
        // says why it could not open the window, and the program ends.
        EndProgram(1);
    }
    SeedRandom(SecondsTimer());
    BuildStandardSheet();

    ShowFrame(StandardSheet, 2);  // the greeting
    SleepMs(1500);

    // The entrance and the nap leave their sheets in CurrentSheet, and the
    // main loop's first LoadSheet would overwrite them: free each as soon as
    // start-up moves on. Their last frames stay in the window.
    FallingEntrance();
    FreeSheet(CurrentSheet);
    if (RandomInt(3) == 3) {
        SleepingRight();
        FreeSheet(CurrentSheet);
    }
}

void MainLoop() {
    for (;;) {
        // The same size all along, unless the screen the pet lives on went
        // away and it lives on another now.
        GetDesktopSize(DesktopWidth, DesktopHeight);
        ActionFor(RandomInt(400)).run();
        FreeSheet(CurrentSheet);  // Idle loaded none: nothing to free then
        ShowFrame(StandardSheet, 5);
        SleepMs(5);
        const bool escape = PollKey() == "\x1B";
        PassEnds();
        if (escape) {
            break;
        }
    }
    FreeSheet(StandardSheet);
    EndProgram(0);
}

void PetMain() {
    StartUp();
    MainLoop();
}

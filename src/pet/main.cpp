// Pomfy: a small pink pet that lives on the taskbar.
#include "pet.h"

int main() {
    PetMain();
}

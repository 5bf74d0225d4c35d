#include "tests/recording/recording.h"

RecordingDisplay& Recording() {
    static RecordingDisplay screen;
    return screen;
}

layer::DisplayBackend& layer::CurrentDisplay() {
    return Recording();
}

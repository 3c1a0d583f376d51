#pragma once

#include <thread>
#include <vector>

#include "runner/installer_driver.h"

// Reads, on another thread, the boxes this process is about to show and presses the given
// buttons in turn, as a user would. A box that does not come is seen empty.
inline std::thread AnswerBoxes(std::vector<int> buttons, std::vector<e2e::BoxSeen>* seen) {
    return std::thread([buttons, seen] {
        for (int button : buttons) {
            seen->push_back(e2e::WaitForProcessBox(GetCurrentProcessId(), nullptr, 5000));
            e2e::InstallerProcess::Press(seen->back(), button);
        }
    });
}

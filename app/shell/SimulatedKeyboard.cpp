#include "app/shell/SimulatedKeyboard.h"

#include "app/shell/DeviceWorker.h"
#include "simulator/SimulatorBackend.h"

#include <cstdio>
#include <system_error>

bool installSimulatedKeyboard(const StartOptions& o, std::shared_ptr<SimulatorBackend>& sim) {
    if (!o.simulate)
        return true;
    sim = std::make_shared<SimulatorBackend>(o.model);
    if (o.statePath) {
        std::error_code ec;
        if (std::filesystem::exists(*o.statePath, ec)) {
            if (!sim->loadState(*o.statePath)) {
                std::fprintf(stderr,
                             "QORVANT: %s: not a state file of the simulated keyboard, or "
                             "damaged\n",
                             o.statePath->string().c_str());
                return false;
            }
            if (o.modelGiven && sim->model() != o.model) {
                std::fprintf(stderr, "QORVANT: %s: holds a keyboard of model %d, not %d\n",
                             o.statePath->string().c_str(), sim->model(), o.model);
                return false;
            }
        }
        const std::filesystem::path target = *o.statePath;
        std::weak_ptr<SimulatorBackend> weak = sim;
        DeviceWorker::setAfterTransfer([weak, target] {
            auto keyboard = weak.lock();
            if (!keyboard)
                return;
            // Written beside the file and moved over it: a run that dies half-way never
            // leaves a cut-off memory file behind.
            std::filesystem::path temporary = target;
            temporary += ".tmp";
            std::error_code error;
            if (!keyboard->saveState(temporary) ||
                (std::filesystem::rename(temporary, target, error), error)) {
                std::filesystem::remove(temporary, error);
                std::fprintf(stderr, "QORVANT: %s: cannot save the simulated keyboard's memory\n",
                             target.string().c_str());
            }
        });
    }
    setHidBackend(sim);
    return true;
}

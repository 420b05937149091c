#include "app/receiver_config.h"

#include "app/mode_controller.h"

namespace wavelore {

DecoderType ReceiverConfig::Decoder() const {
    return CModeController::Info(mode).decoder;
}

ChainSettings ReceiverConfig::Chain() const {
    ChainSettings chain;
    chain.type = Decoder();
    chain.centre = centre;
    chain.halfShift = HalfShift();
    chain.baud = baud;
    chain.enhanced = UsesWeakSignalChain(chain.type, enhanced);
    chain.strictFec = strictFec;
    chain.invert = invert;
    return chain;
}

CTuningPolicy::Search ReceiverConfig::Search() const {
    return SearchFor(Chain());
}

}  // namespace wavelore

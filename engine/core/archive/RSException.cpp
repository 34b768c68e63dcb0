#include "engine/core/archive/RSException.h"

char const* CRSException::what() const noexcept {
    switch (m_u32Code) {
        case kRSErrorBadHeader:
            return "results file: damaged header";
        case kRSErrorWrongMode:
            return "results file: operation of the other mode";
        case kRSErrorShortRead:
            return "results file: frame read past its data";
        case kRSErrorWriteFailed:
            return "results file: write failed";
        case kRSErrorFrameNotFound:
            return "results file: frame not found";
        case kRSErrorNoFrame:
            return "results file: no open frame";
        default:
            return "results file: error";
    }
}

#include "words/wave.h"

namespace words {

const char* WaveErrorText(vox::WaveError e)
{
    switch (e) {
    case vox::WaveError::Ok: return "Ok";
    case vox::WaveError::NotRiff: return "Not a valid wave file";
    case vox::WaveError::NoFormat: return "Wave file appears to be corrupted";
    case vox::WaveError::BadFormatChunk: return "Failed to load format chunk";
    case vox::WaveError::NotPcm: return "Not a PCM file";
    case vox::WaveError::Insane: return "Can't play format";
    case vox::WaveError::NoData: return "No data chunk";
    case vox::WaveError::EmptyData: return "Chunk has no data";
    case vox::WaveError::NoMemory: return "Not enough memory for data chunk";
    case vox::WaveError::ReadData: return "Failed to read chunk";
    }
    return "Not a valid wave file";
}

}  // namespace words

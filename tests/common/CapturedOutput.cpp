#include "tests/common/CapturedOutput.h"

#include "support/ProgramOutput.h"

CapturedOutput::CapturedOutput() {
    ProgramOutput::SetSink([this](ProgramOutput::Stream stream, const QByteArray& bytes) {
        (stream == ProgramOutput::Stream::Out ? m_out : m_err) += bytes;
    });
}

CapturedOutput::~CapturedOutput() {
    ProgramOutput::SetSink({});
}

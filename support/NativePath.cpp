#include "support/NativePath.h"

#include <QFile>

namespace NativePath {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// The length of the valid UTF-8 sequence at `at`, or 0; no overlong forms, surrogates, or code
// points beyond U+10FFFF.
qsizetype sequenceLength(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) {
        return at + i < bytes.size() ? static_cast<unsigned char>(bytes[at + i]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return isContinuation(byte(1)) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return isContinuation(byte(1), low, high) && isContinuation(byte(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return isContinuation(byte(1), low, high) && isContinuation(byte(2)) &&
                       isContinuation(byte(3))
                   ? 4
                   : 0;
    }
    return 0;
}

// The low half of a surrogate pair is never an escape.
bool isEscape(const QString& path, qsizetype at) {
    const char16_t code = path[at].unicode();
    return code >= kEscapeBase + 0x80 && code <= kEscapeBase + 0xFF &&
           (at == 0 || !path[at - 1].isHighSurrogate());
}

}  // namespace

QString Decoded(const QByteArray& bytes) {
    if (const QString text = QFile::decodeName(bytes); QFile::encodeName(text) == bytes) {
        return text;
    }
    QString text;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = sequenceLength(bytes, at);
        if (length == 0) {
            text += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[at++])));
        } else {
            text += QString::fromUtf8(bytes.mid(at, length));
            at += length;
        }
    }
    return text;
}

QByteArray Encoded(const QString& path) {
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype at = 0; at <= path.size(); ++at) {
        if (at < path.size() && !isEscape(path, at)) continue;
        bytes += QFile::encodeName(path.mid(from, at - from));
        if (at < path.size()) bytes += char(path[at].unicode() - kEscapeBase);
        from = at + 1;
    }
    return bytes;
}

QString Displayed(const QString& path) {
    QString shown = path;
    for (qsizetype at = 0; at < shown.size(); ++at) {
        if (isEscape(shown, at)) shown[at] = QChar::ReplacementCharacter;
    }
    return shown;
}

}  // namespace NativePath

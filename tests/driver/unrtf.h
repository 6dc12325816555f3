// What an independent reader (unrtf) finds in RTF: its HTML output with the tags left out
// (line and paragraph ends as blanks) and the character references decoded.
#pragma once

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace kvtest {

inline QString UnrtfText(const std::string& rtf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.rtf"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rtf.data(), static_cast<qint64>(rtf.size()));
    file.close();
    QProcess unrtf;
    unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), path});
    EXPECT_TRUE(unrtf.waitForFinished(30000));
    QString html = QString::fromUtf8(unrtf.readAllStandardOutput());
    html = html.mid(std::max<qsizetype>(0, html.indexOf(QStringLiteral("<body"))));
    html.replace(QRegularExpression(QStringLiteral("<(br|/p|/li|/td)[^>]*>")), QStringLiteral(" "));
    html.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QString());
    static const std::pair<const char*, const char*> kNamed[] = {
        {"&scaron;", "š"}, {"&Scaron;", "Š"}, {"&nbsp;", " "}, {"&amp;", "&"},
        {"&lt;", "<"},     {"&gt;", ">"},     {"&bull;", "•"}, {"&middot;", "·"}};
    for (const auto& [name, text] : kNamed) html.replace(QString::fromLatin1(name), QString::fromUtf8(text));
    const QRegularExpression numeric(QStringLiteral("&#(\\d+);"));
    for (auto m = numeric.match(html); m.hasMatch(); m = numeric.match(html))
        html.replace(m.capturedStart(), m.capturedLength(), QString(QChar(m.captured(1).toInt())));
    return html;
}

}  // namespace kvtest

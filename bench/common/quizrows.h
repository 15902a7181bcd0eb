// Quiz-like rows for the benchmarks: short Simplified Chinese questions and answers with the
// pinyin initials of each question, as the shipped store holds them.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace bench {

struct QuizRow
{
    QString question, answer, pinyin;
};

// `count` rows drawn from a fixed seed, the same on every run.
std::vector<QuizRow> quizRows(int count, std::uint32_t seed = 20240611);

} // namespace bench

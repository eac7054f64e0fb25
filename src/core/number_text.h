#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zrx {

// The one parsing rule for typed text, stored settings and file values.
// Blanks, tabs and line feeds are ignored wherever they stand; then an
// optional sign, digits with at most one period, an optional exponent (E or D);
// or &H / &O followed by a hexadecimal / octal integer. Reading stops at the
// first character that cannot continue the number; no number gives 0. A comma
// never acts as a decimal separator. Total: any input gives a finite number.
double leading_number(QStringView text);
double leading_number(QByteArrayView latin1Text);

// Plain decimal, at most 15 significant digits, never an exponent; a blank
// where the sign would stand for zero and positive numbers, and no zero
// before the point below 1: 5 -> " 5", 0.009 -> " .009", -0.5 -> "-.5".
QString number_text(double value);

// number_text of the voltage truncated (towards minus infinity) to millivolts.
QString format_volts(double volts);

// Upper-case hexadecimal without prefix: 512 -> "200", 1024 -> "400".
// Fractions round half to even; a negative code shows as "-" and its magnitude.
QString format_code(double code);

} // namespace zrx

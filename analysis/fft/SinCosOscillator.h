#ifndef SINCOSOSCILLATOR_H
#define SINCOSOSCILLATOR_H

// SinCosOscillator: generates cos(k*a) and sin(k*a) for k = 1, 2, ... by
// repeated rotation of the unit vector (cos_now, sin_now) by the step angle a:
//   cos' = cos*cos_a - sin*sin_a,   sin' = cos*sin_a + sin*cos_a.
// One complex multiplication per step instead of two library calls; rounding
// accumulates with the number of steps taken since the last clear().

#include <cmath>

template<class T>
class SinCosOscillator
{
public:
    void set_angle_step(T angle)
    {
        cos_step = std::cos(angle);
        sin_step = std::sin(angle);
    }

    void clear()
    {
        cos_now = 1;
        sin_now = 0;
    }

    void step()
    {
        const T oldCos = cos_now;
        const T oldSin = sin_now;
        cos_now = oldCos * cos_step - oldSin * sin_step;
        sin_now = oldCos * sin_step + oldSin * cos_step;
    }

    T get_cos() const { return cos_now; }
    T get_sin() const { return sin_now; }

private:
    T cos_now = 1;
    T sin_now = 0;
    T cos_step = 1;
    T sin_step = 0;
};

#endif // SINCOSOSCILLATOR_H

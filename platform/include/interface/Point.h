#ifndef _POINT_H
#define _POINT_H

#include <SupportDefs.h>

class BRect;

// A position in a coordinate system whose integer values are pixel centres.
class BPoint {
public:
	float x;
	float y;

	constexpr BPoint() : x(0.0f), y(0.0f) {}
	constexpr BPoint(float x, float y) : x(x), y(y) {}

	void Set(float newX, float newY)
	{
		x = newX;
		y = newY;
	}

	// Moves the point to the nearest position inside |rect|.
	void ConstrainTo(BRect rect);
	void PrintToStream() const;

	BPoint operator-() const { return BPoint(-x, -y); }
	BPoint operator+(const BPoint& other) const { return BPoint(x + other.x, y + other.y); }
	BPoint operator-(const BPoint& other) const { return BPoint(x - other.x, y - other.y); }
	BPoint& operator+=(const BPoint& other)
	{
		x += other.x;
		y += other.y;
		return *this;
	}
	BPoint& operator-=(const BPoint& other)
	{
		x -= other.x;
		y -= other.y;
		return *this;
	}
	bool operator!=(const BPoint& other) const { return x != other.x || y != other.y; }
	bool operator==(const BPoint& other) const { return x == other.x && y == other.y; }
};

extern const BPoint B_ORIGIN;

#endif

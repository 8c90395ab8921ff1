#pragma once
// Row-vector 3-D math with the conventions of the original device helpers: translation in the fourth
// row, left-handed look-at and perspective, vectors multiplied on the left (v' = v * M).
#include <cstdint>

namespace hc {

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Plane {
    float a = 0, b = 0, c = 0, d = 0;
};

struct Matrix {
    float m[4][4] = {};
    static Matrix identity();
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float vec3Dot(Vec3 a, Vec3 b);
Vec3 vec3Cross(Vec3 a, Vec3 b);
float vec3Length(Vec3 a);
Vec3 vec3Normalize(Vec3 a);

Matrix matrixMultiply(const Matrix& a, const Matrix& b);  // a then b: v * a * b
Matrix matrixScaling(float sx, float sy, float sz);
Matrix matrixTranslation(float x, float y, float z);
Matrix matrixRotationX(float radians);
Matrix matrixRotationY(float radians);
Matrix matrixRotationZ(float radians);
// Roll about z, then pitch about x, then yaw about y.
Matrix matrixRotationYawPitchRoll(float yaw, float pitch, float roll);
// Returns false (and leaves out untouched) when the matrix is singular.
bool matrixInverse(const Matrix& m, Matrix& out);
Matrix matrixTranspose(const Matrix& m);
Matrix matrixLookAtLH(Vec3 eye, Vec3 at, Vec3 up);
// Depth maps to 0..1 as the game expects; back ends remap for their own clip space.
Matrix matrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// (x, y, z, 1) * m, divided by w.
Vec3 vec3TransformCoord(Vec3 v, const Matrix& m);
// (x, y, z, 0) * m.
Vec3 vec3TransformNormal(Vec3 v, const Matrix& m);
// p * m, for a plane in the transformed space give the inverse transpose of the point transform.
Plane planeTransform(Plane p, const Matrix& m);

}  // namespace hc

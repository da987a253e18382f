// The D3DX matrix and vector functions against their documented formulas (left-handed, row vectors).
#include <gtest/gtest.h>

#include <cmath>

#include "d3dx/math.h"

namespace {

D3DXVECTOR3 Apply(const D3DXVECTOR3& p, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

void ExpectVec(const D3DXVECTOR3& v, float x, float y, float z, float tol = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tol = 1e-5f)
{
    for (unsigned i = 0; i < 4; ++i) {
        for (unsigned j = 0; j < 4; ++j) {
            EXPECT_NEAR(a(i, j), b(i, j), tol) << "element " << i << "," << j;
        }
    }
}

}  // namespace

TEST(D3DXMatrix, ProductAppliesTheLeftMatrixFirst)
{
    D3DXMATRIX t, r, tr, rt;
    D3DXMatrixTranslation(&t, 1, 0, 0);
    D3DXMatrixRotationZ(&r, 1.5707963f);
    D3DXMatrixMultiply(&tr, &t, &r);  // translate, then rotate
    D3DXMatrixMultiply(&rt, &r, &t);  // rotate, then translate
    const D3DXVECTOR3 origin(0, 0, 0);
    ExpectVec(Apply(origin, tr), 0, 1, 0);
    ExpectVec(Apply(origin, rt), 1, 0, 0);
    // The output may alias an input.
    D3DXMATRIX same = t;
    D3DXMatrixMultiply(&same, &same, &r);
    ExpectMatrixNear(same, tr);
    ExpectMatrixNear(t * r, tr);
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&id));
    EXPECT_FALSE(D3DXMatrixIsIdentity(&t));
}

TEST(D3DXMatrix, AxisRotationsAreLeftHanded)
{
    D3DXMATRIX m;
    const float quarter = 1.5707963f;
    ExpectVec(Apply({0, 1, 0}, *D3DXMatrixRotationX(&m, quarter)), 0, 0, 1);
    ExpectVec(Apply({0, 0, 1}, *D3DXMatrixRotationY(&m, quarter)), 1, 0, 0);
    ExpectVec(Apply({1, 0, 0}, *D3DXMatrixRotationZ(&m, quarter)), 0, 1, 0);
    D3DXMatrixScaling(&m, 2, 3, 4);
    ExpectVec(Apply({1, 1, 1}, m), 2, 3, 4);
    D3DXMatrixTranslation(&m, 5, -6, 7);
    EXPECT_EQ(m._41, 5.0f);
    EXPECT_EQ(m._42, -6.0f);
    EXPECT_EQ(m._43, 7.0f);
    ExpectVec(Apply({1, 1, 1}, m), 6, -5, 8);
}

TEST(D3DXMatrix, YawPitchRollIsRollThenPitchThenYaw)
{
    const float yaw = 0.3f, pitch = -1.1f, roll = 2.0f;
    D3DXMATRIX ypr, rz, rx, ry;
    D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    ExpectMatrixNear(ypr, rz * rx * ry);
    D3DXMATRIX zero;
    D3DXMatrixRotationYawPitchRoll(&zero, 0, 0, 0);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&zero));
}

TEST(D3DXMatrix, LookAtBuildsTheCameraBasis)
{
    // The playing pose: eye (0,-1,0) looking along +z with +y up is a pure translation by (0,1,0).
    D3DXMATRIX m;
    const D3DXVECTOR3 eye(0, -1, 0), at(0, -1, 2.2361f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    D3DXMATRIX expected;
    D3DXMatrixTranslation(&expected, 0, 1, 0);
    ExpectMatrixNear(m, expected);
    // A general case: the eye maps to the origin, the target onto +z at its distance.
    const D3DXVECTOR3 eye2(3, 2, -4), at2(-1, 5, 6), up2(0, 1, 0);
    D3DXMatrixLookAtLH(&m, &eye2, &at2, &up2);
    ExpectVec(Apply(eye2, m), 0, 0, 0);
    const D3DXVECTOR3 d = at2 - eye2;
    ExpectVec(Apply(at2, m), 0, 0, D3DXVec3Length(&d), 1e-4f);
    // The x axis row stays orthogonal to up: a point straight above the eye has no x.
    EXPECT_NEAR(Apply(eye2 + D3DXVECTOR3(0, 1, 0), m).x, 0.0f, 1e-5f);
}

TEST(D3DXMatrix, PerspectiveMapsNearAndFarToZeroAndOne)
{
    D3DXMATRIX p;
    const float fov = 1.18105f, aspect = 1.333333f, zn = 0.1f, zf = 32.0f;
    D3DXMatrixPerspectiveFovLH(&p, fov, aspect, zn, zf);
    const float ys = 1.0f / std::tan(fov / 2);
    EXPECT_NEAR(p._22, ys, 1e-6f);
    EXPECT_NEAR(p._11, ys / aspect, 1e-6f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._44, 0.0f);
    ExpectVec(Apply({0, 0, zn}, p), 0, 0, 0);
    ExpectVec(Apply({0, 0, zf}, p), 0, 0, 1);
    // The top of the view cone at depth 10 lands on the top edge.
    EXPECT_NEAR(Apply({0, 10 * std::tan(fov / 2), 10}, p).y, 1.0f, 1e-5f);
}

TEST(D3DXMatrix, OrthoMapsPixelsToTheUnitSquare)
{
    D3DXMATRIX o;
    D3DXMatrixOrthoLH(&o, 800, 600, 0, 1);
    ExpectVec(Apply({400, 300, 0.1f}, o), 1, 1, 0.1f);
    ExpectVec(Apply({-400, -300, 1}, o), -1, -1, 1);
    D3DXMatrixOrthoLH(&o, 10, 10, 2, 6);
    ExpectVec(Apply({0, 0, 2}, o), 0, 0, 0);
    ExpectVec(Apply({0, 0, 6}, o), 0, 0, 1);
    D3DXMatrixOrthoOffCenterLH(&o, 0, 800, 600, 0, 0, 1);
    ExpectVec(Apply({0, 0, 0}, o), -1, 1, 0);
    ExpectVec(Apply({800, 600, 0}, o), 1, -1, 0);
}

TEST(D3DXMatrix, InverseAndTranspose)
{
    D3DXMATRIX m, inv, product, id;
    D3DXMatrixRotationYawPitchRoll(&m, 0.4f, 0.2f, -0.7f);
    m._41 = 3;
    m._42 = -2;
    m._43 = 5;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_NEAR(det, 1.0f, 1e-5f);
    D3DXMatrixMultiply(&product, &m, &inv);
    D3DXMatrixIdentity(&id);
    ExpectMatrixNear(product, id);
    D3DXMATRIX singular;  // all zero
    D3DXMATRIX untouched = id;
    EXPECT_EQ(D3DXMatrixInverse(&untouched, &det, &singular), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&untouched));
    D3DXMATRIX t;
    D3DXMatrixTranspose(&t, &m);
    EXPECT_EQ(t._14, m._41);
    EXPECT_EQ(t._32, m._23);
}

TEST(D3DXVector, NormalizeCrossDotAndTransforms)
{
    D3DXVECTOR3 v(-1, -2, 5), n;
    D3DXVec3Normalize(&n, &v);
    const float len = std::sqrt(30.0f);
    ExpectVec(n, -1 / len, -2 / len, 5 / len);
    EXPECT_NEAR(D3DXVec3Length(&n), 1.0f, 1e-6f);
    D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    ExpectVec(n, 0, 0, 0);
    D3DXVec3Normalize(&v, &v);  // in place
    EXPECT_NEAR(D3DXVec3Length(&v), 1.0f, 1e-6f);

    D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), c;
    D3DXVec3Cross(&c, &x, &y);
    ExpectVec(c, 0, 0, 1);
    EXPECT_EQ(D3DXVec3Dot(&x, &y), 0.0f);
    D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6);
    EXPECT_EQ(D3DXVec3Dot(&a, &b), 32.0f);
    D3DXVec3Subtract(&c, &b, &a);
    ExpectVec(c, 3, 3, 3);

    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 10, 0, 0);
    D3DXVec3TransformNormal(&c, &a, &t);
    ExpectVec(c, 1, 2, 3);  // directions ignore translation
}

TEST(D3DXFvf, VertexSizesOfTheGameLayoutsAndOthers)
{
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_TEX1), 20u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1), 24u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ), 12u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_PSIZE), 24u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZB2 | D3DFVF_NORMAL), 32u);
    // Two sets: a 3D then a 1D coordinate.
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0) | D3DFVF_TEXCOORDSIZE1(1)),
              12u + 12u + 4u);
    EXPECT_EQ(D3DXGetFVFVertexSize(0), 0u);
}

TEST(D3DColour, Macros)
{
    EXPECT_EQ(D3DCOLOR_ARGB(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_XRGB(1, 2, 3), 0xFF010203u);
    EXPECT_EQ(D3DCOLOR_RGBA(1, 2, 3, 4), 0x04010203u);
    EXPECT_EQ(D3DCOLOR_COLORVALUE(1.0f, 0.5f, 0.0f, 1.0f), 0xFFFF7F00u);
}

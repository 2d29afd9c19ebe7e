using System;

namespace Sample.Shapes
{
    public interface IShape
    {
        double Area();
    }

    public enum Colour { Red, Green }

    public struct Point
    {
        public int X;
    }

    public sealed class Circle : IShape
    {
        private readonly double r;

        public Circle(double r)
        {
            this.r = r;
        }

        public double Area()
        {
            return Math.PI * r * r;
        }

        private static async Task<int> LoadAsync(string path)
        {
            return 0;
        }
    }

    internal record Pair(int A, int B);
}

<?php
namespace App\Models;

interface HasName
{
    public function name(): string;
}

abstract class Model
{
    abstract protected function table(): string;
}

final class User extends Model implements HasName
{
    private string $name;

    public function __construct(string $name)
    {
        $this->name = $name;
    }

    public function name(): string
    {
        return $this->name;
    }

    protected function table(): string
    {
        return "users";
    }

    public static function &registry(): array
    {
        static $r = [];
        return $r;
    }
}

function helper($x)
{
    return $x * 2;
}
